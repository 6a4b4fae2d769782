#pragma once
#include "bridge/host/FlashExCommandTable.h"
#include "bridge/host/FlashExService.h"

class FlashExHost;
class SecurityPolicy;

// The commands through which the movie controls its own window: the API
// lock, ext events, closing, position, size, visibility, title and icon.
class FlashExServiceDlg : public FlashExService {
public:
    // host: the main dialog, not owned; the policy judges an icon file on a share.
    FlashExServiceDlg(FlashExHost& host, const SecurityPolicy& policy) : host_(host), policy_(policy) {}

    bool invoke(FlashExRequest& request, ParamPtr& result) override;

    std::vector<CommandSignature> commands() const override;

private:
    static const ServiceCommand<FlashExServiceDlg> kCommands[];

    ParamPtr lockApi(FlashExRequest& request);
    ParamPtr wantExtEvents(FlashExRequest& request);
    ParamPtr closeApp(FlashExRequest& request);
    ParamPtr setWindowTitle(FlashExRequest& request);
    ParamPtr moveWindow(FlashExRequest& request);
    ParamPtr hideWindow(FlashExRequest& request);
    ParamPtr showWindow(FlashExRequest& request);
    ParamPtr getWindowRect(FlashExRequest& request);
    ParamPtr updateWindow(FlashExRequest& request);
    ParamPtr setForegroundWindow(FlashExRequest& request);
    ParamPtr setIcon(FlashExRequest& request);
    ParamPtr setCapture(FlashExRequest& request);

    FlashExHost& host_;
    const SecurityPolicy& policy_;
};
