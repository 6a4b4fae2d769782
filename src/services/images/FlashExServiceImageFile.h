#pragma once
#include "bridge/host/FlashExCommandTable.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/host/FlashExService.h"
#include "services/images/ThumbnailFiles.h"

class MvGpImageConverter;
class Rasteriser;
class SecurityPolicy;
struct FlashExRequest;

// Images for the movie: their sizes, and thumbnail files of images and
// movies, made once or kept up to date one by one or for a whole folder.
// Every thumbnail is a file the movie writes, so the security policy judges
// its path and the thumbnail is written under the judged name; the images
// read are used as given.
class FlashExServiceImageFile : public FlashExService {
public:
    FlashExServiceImageFile(Rasteriser& rasteriser, const SecurityPolicy& policy, const MvGpImageConverter& encoders);
    bool invoke(FlashExRequest& request, ParamPtr& result) override;
    std::vector<CommandSignature> commands() const override;

private:
    static const ServiceCommand<FlashExServiceImageFile> kCommands[];

    ParamPtr updateThumbnails(FlashExRequest& request);
    ParamPtr makeThumbnail(FlashExRequest& request);
    ParamPtr updateThumbnail(FlashExRequest& request);
    ParamPtr getImageSize(FlashExRequest& request);

    ThumbnailMaker thumbnails_;
};
