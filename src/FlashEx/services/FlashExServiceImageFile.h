#pragma once
#include "FlashEx/FlashExCommandTable.h"
#include "FlashEx/FlashExParam.h"
#include "FlashEx/FlashExService.h"
#include "FlashEx/services/ThumbnailFiles.h"

class Rasteriser;
struct FlashExRequest;

// Images for the movie: their sizes, and thumbnail files of images and
// movies, made once or kept up to date one by one or for a whole folder.
// Paths are used as given; the security policy is not consulted.
class FlashExServiceImageFile : public FlashExService {
public:
    explicit FlashExServiceImageFile(Rasteriser& rasteriser) : thumbnails_(rasteriser) {}
    bool invoke(FlashExRequest& request, ParamPtr& result) override;

private:
    static const ServiceCommand<FlashExServiceImageFile> kCommands[];

    ParamPtr updateThumbnails(FlashExRequest& request);
    ParamPtr makeThumbnail(FlashExRequest& request);
    ParamPtr updateThumbnail(FlashExRequest& request);
    ParamPtr getImageSize(FlashExRequest& request);

    ThumbnailMaker thumbnails_;
};
