#pragma once
#include "bridge/host/FlashExCommandTable.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/host/FlashExService.h"

class MvGpImageConverter;
class Rasteriser;
class SecurityPolicy;
struct FlashExRequest;

// Movie files for the movie: whether a file is a movie or an ActionScript 3
// movie, and rendering a movie into an image file or onto the clipboard.
// The security policy judges every movie read and every output file written
// before anything is rendered, and both are used under the judged names.
class FlashExServiceSwf : public FlashExService {
public:
    FlashExServiceSwf(Rasteriser& rasteriser, const SecurityPolicy& policy, const MvGpImageConverter& encoders)
        : rasteriser_(rasteriser), policy_(policy), encoders_(encoders) {}
    bool invoke(FlashExRequest& request, ParamPtr& result) override;
    std::vector<CommandSignature> commands() const override;

private:
    static const ServiceCommand<FlashExServiceSwf> kCommands[];

    ParamPtr rasterizeSwf(FlashExRequest& request);
    ParamPtr isSwf(FlashExRequest& request);
    ParamPtr isAs3Swf(FlashExRequest& request);

    Rasteriser& rasteriser_;
    const SecurityPolicy& policy_;
    const MvGpImageConverter& encoders_;
};
