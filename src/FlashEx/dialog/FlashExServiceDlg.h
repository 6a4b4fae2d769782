#pragma once
#include "FlashEx/FlashExService.h"

class FlashExDlg;

// The commands through which the movie controls its own window: the API
// lock, ext events, closing, position, size, visibility, title and icon.
class FlashExServiceDlg : public FlashExService {
public:
    // dialog: the main dialog, not owned.
    explicit FlashExServiceDlg(FlashExDlg* dialog) : dialog(dialog) {}

    bool invoke(FlashExRequest& request, ParamPtr& result) override;

private:
    ParamPtr lockApi();
    void moveWindow(const FlashExRequest& request);
    ParamPtr getWindowRect();
    void setIcon(const char* path);

    FlashExDlg* dialog;
};
