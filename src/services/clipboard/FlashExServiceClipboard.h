#pragma once
#include "bridge/host/FlashExCommandTable.h"
#include "bridge/host/FlashExService.h"

class HostWindows;
class MvGpImageConverter;
class SecurityPolicy;
struct FlashExRequest;

// The system clipboard for the movie (its text, emptying it, the size of a
// bitmap on it and saving that bitmap), and dragging files that the movie
// names out of the window onto other programs.
class FlashExServiceClipboard : public FlashExService {
public:
    // The host window owns the clipboard while a bitmap is read from it.
    FlashExServiceClipboard(const SecurityPolicy& policy, const HostWindows& windows,
                            const MvGpImageConverter& encoders)
        : policy_(policy), windows_(windows), encoders_(encoders) {}
    bool invoke(FlashExRequest& request, ParamPtr& result) override;
    std::vector<CommandSignature> commands() const override;

private:
    static const ServiceCommand<FlashExServiceClipboard> kCommands[];

    ParamPtr doDragFile(FlashExRequest& request);
    ParamPtr emptyClip(FlashExRequest& request);
    ParamPtr getClipText(FlashExRequest& request);
    ParamPtr saveClipBitmap(FlashExRequest& request);
    ParamPtr getClipBitmapSize(FlashExRequest& request);

    const SecurityPolicy& policy_;
    const HostWindows& windows_;
    const MvGpImageConverter& encoders_;
};
