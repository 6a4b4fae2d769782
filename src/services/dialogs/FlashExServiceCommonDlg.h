#pragma once
#include "bridge/host/FlashExCommandTable.h"
#include "bridge/host/FlashExService.h"

class HostWindows;

// The common dialogs for the movie: the open/save dialog (which can also
// close by itself in a folder holding a marker file) and the folder browser.
// Both are owned by the main window and run modally inside the request. They
// only answer names, so no policy check is made here.
class FlashExServiceCommonDlg : public FlashExService {
public:
    // The host window owns both dialogs.
    explicit FlashExServiceCommonDlg(const HostWindows& windows) : windows_(windows) {}
    bool invoke(FlashExRequest& request, ParamPtr& result) override;
    std::vector<CommandSignature> commands() const override;

private:
    static const ServiceCommand<FlashExServiceCommonDlg> kCommands[];

    ParamPtr fileDialog(FlashExRequest& request);
    ParamPtr browseForFolder(FlashExRequest& request);

    const HostWindows& windows_;
};
