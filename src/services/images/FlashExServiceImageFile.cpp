#include "services/images/FlashExServiceImageFile.h"

#include <vector>

#include "bridge/values/FlashExRequest.h"
#include "services/common/ServiceArguments.h"
#include "services/common/SearchPattern.h"
#include "services/common/ServiceResults.h"
#include "security/SecurityPolicy.h"

// In the order in which invoke looks for a command.
const ServiceCommand<FlashExServiceImageFile> FlashExServiceImageFile::kCommands[] = {
    {"updateThumbnails", &FlashExServiceImageFile::updateThumbnails, 5, 6},
    {"makeThumbnail", &FlashExServiceImageFile::makeThumbnail, 4, 5},
    {"updateThumbnail", &FlashExServiceImageFile::updateThumbnail, 4, 6},
    {"getImageSize", &FlashExServiceImageFile::getImageSize, 1, 1},
};

std::vector<CommandSignature> FlashExServiceImageFile::commands() const { return signaturesOf(kCommands); }

FlashExServiceImageFile::FlashExServiceImageFile(Rasteriser& rasteriser, const SecurityPolicy& policy,
                                                 const MvGpImageConverter& encoders)
    : policy_(policy),
      thumbnails_(rasteriser, encoders,
                  ThumbnailChecks{[&policy](const std::string& path) { return policy.checkRead(path); },
                                  [&policy](const std::string& path) { return policy.checkWrite(path); },
                                  folderSearchCheck(policy)}) {}

bool FlashExServiceImageFile::invoke(FlashExRequest& request, ParamPtr& result) {
    return runCommand(*this, kCommands, request, result);
}

// A type argument may be missing or null: no type then.
ParamPtr FlashExServiceImageFile::updateThumbnails(FlashExRequest& request) {
    const std::string& directory = stringArgument(request, 0);
    const FlashExParamArray* list = argumentAt(request, 1).asArray();
    std::vector<std::string> patterns;
    for (unsigned i = 0; i < list->size(); ++i) patterns.push_back(list->at(i)->getString());
    int width = intArgument(request, 2);
    int height = intArgument(request, 3);
    bool checkTime = boolArgument(request, 4);
    const char* type = optionalTextArgument(request, 5, nullptr);
    std::vector<std::string> names =
        thumbnails_.updateThumbnailsInDirectory(directory, patterns, width, height, checkTime, type);
    auto result = std::make_unique<FlashExParamArray>();
    for (const std::string& name : names) result->push(paramString(name));
    return result;
}

ParamPtr FlashExServiceImageFile::makeThumbnail(FlashExRequest& request) {
    thumbnails_.makeThumbnailFile(stringArgument(request, 0), stringArgument(request, 1), intArgument(request, 2),
                                  intArgument(request, 3), optionalTextArgument(request, 4, nullptr));
    return paramNull();
}

ParamPtr FlashExServiceImageFile::updateThumbnail(FlashExRequest& request) {
    const std::string& source = stringArgument(request, 0);
    const char* thumbnailText = textArgument(request, 1);  // null: the default name
    std::string thumbnail = thumbnailText ? thumbnailText : "";
    thumbnails_.updateThumbnailFile(thumbnailText ? &thumbnail : nullptr, source, intArgument(request, 2),
                                    intArgument(request, 3), optionalBoolArgument(request, 4, true),
                                    optionalTextArgument(request, 5, nullptr));
    return paramNull();
}

ParamPtr FlashExServiceImageFile::getImageSize(FlashExRequest& request) {
    SIZE size = imageOrMovieSize(stringArgument(request, 0),
                                 [this](const std::string& path) { return policy_.checkRead(path); });
    return sizeObject(size.cx, size.cy);
}
