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
// Every image or movie read and every thumbnail written is judged by the
// security policy, and used under the judged name; so is each folder that a
// pattern lists.
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

    const SecurityPolicy& policy_;
    ThumbnailMaker thumbnails_;
};
