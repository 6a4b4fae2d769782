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
// An output file is a file the movie writes: the security policy judges its
// path before the movie is rendered, and the picture is saved under the
// judged name. The movies read are used as given.
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
