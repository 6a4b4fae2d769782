#pragma once
#include "FlashEx/FlashExCommandTable.h"
#include "FlashEx/FlashExParam.h"
#include "FlashEx/FlashExService.h"

class Rasteriser;
struct FlashExRequest;

// Movie files for the movie: whether a file is a movie or an ActionScript 3
// movie, and rendering a movie into an image file or onto the clipboard.
// Paths are used as given; the security policy is not consulted.
class FlashExServiceSwf : public FlashExService {
public:
    explicit FlashExServiceSwf(Rasteriser& rasteriser) : rasteriser_(rasteriser) {}
    bool invoke(FlashExRequest& request, ParamPtr& result) override;

private:
    static const ServiceCommand<FlashExServiceSwf> kCommands[];

    ParamPtr rasterizeSwf(FlashExRequest& request);
    ParamPtr isSwf(FlashExRequest& request);
    ParamPtr isAs3Swf(FlashExRequest& request);

    Rasteriser& rasteriser_;
};
