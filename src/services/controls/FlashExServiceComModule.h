#pragma once
#include <memory>
#include <vector>

#include "bridge/host/FlashExCommandTable.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/host/FlashExService.h"
#include "services/controls/MvAxWinInfo.h"

class HostWindows;
class MvGpImageConverter;
class SecurityPolicy;
struct FlashExRequest;

// Further ActiveX controls in child windows of the player: a control named
// by ProgID, class id or URL, or a second player for a ".swf" movie. The
// movie names a window by its index in the list; indices are never reused.
// The active window's control sees the thread's messages first, so that it
// can translate its accelerator keys.
class FlashExServiceComModule : public FlashExService {
public:
    // The windows are children of the player's window.
    FlashExServiceComModule(SecurityPolicy& policy, const HostWindows& windows, const MvGpImageConverter& encoders)
        : policy_(policy), host_(windows), encoders_(encoders) {}
    ~FlashExServiceComModule() override;
    bool invoke(FlashExRequest& request, ParamPtr& result) override;
    std::vector<CommandSignature> commands() const override;
    bool preTranslateMessage(MSG* msg) override;

private:
    static const ServiceCommand<FlashExServiceComModule> kCommands[];

    ParamPtr axWindow(FlashExRequest& request);
    ParamPtr axWindowDelete(FlashExRequest& request);
    ParamPtr axWindowSetPos(FlashExRequest& request);
    ParamPtr axWindowSetFocus(FlashExRequest& request);
    ParamPtr axWindowHide(FlashExRequest& request);
    ParamPtr axWindowShow(FlashExRequest& request);
    ParamPtr axWindowCapture(FlashExRequest& request);

    // The index in argument 0; FlashExException for an index outside the
    // list or of a deleted window.
    size_t indexOf(const FlashExRequest& request) const;
    MvAxWinInfo& entry(const FlashExRequest& request);
    // The window of that entry; MvException "対象ウィンドウが正しくありません。"
    // when it no longer exists.
    HWND existingWindow(const FlashExRequest& request);

    SecurityPolicy& policy_;
    const HostWindows& host_;
    const MvGpImageConverter& encoders_;
    // A deleted window leaves a null entry, so indices never shift.
    std::vector<std::unique_ptr<MvAxWinInfo>> windows_;
    MvAxWinInfo* activeWindow_ = nullptr;
};
