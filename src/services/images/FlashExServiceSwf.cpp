#include "services/images/FlashExServiceSwf.h"

#include "bridge/values/FlashExRequest.h"
#include "services/images/RasterJob.h"
#include "services/common/ServiceArguments.h"
#include "imaging/MvGpImageConverter.h"
#include "imaging/SwfFile.h"
#include "security/SecurityPolicy.h"

namespace {

const char kClipboardOutput[] = ":clipboard";

}  // namespace

// In the order in which invoke looks for a command.
const ServiceCommand<FlashExServiceSwf> FlashExServiceSwf::kCommands[] = {
    {"rasterizeSwf", &FlashExServiceSwf::rasterizeSwf, 2, 9},
    {"isSwf", &FlashExServiceSwf::isSwf, 1, 1},
    {"isAs3Swf", &FlashExServiceSwf::isAs3Swf, 1, 1},
};

std::vector<CommandSignature> FlashExServiceSwf::commands() const { return signaturesOf(kCommands); }

bool FlashExServiceSwf::invoke(FlashExRequest& request, ParamPtr& result) {
    return runCommand(*this, kCommands, request, result);
}

ParamPtr FlashExServiceSwf::rasterizeSwf(FlashExRequest& request) {
    auto job = std::make_shared<RasterJob>();
    const std::string& movie = stringArgument(request, 0);
    const std::string& output = stringArgument(request, 1);
    job->waitForReady = optionalBoolArgument(request, 2, false);
    job->scale = optionalIntArgument(request, 3, 100);
    const char* query = optionalTextArgument(request, 4, "");
    job->query = query ? query : "";
    job->boxWidth = optionalIntArgument(request, 5, 0);
    job->boxHeight = optionalIntArgument(request, 6, 0);
    job->width = optionalIntArgument(request, 7, 0);
    job->height = optionalIntArgument(request, 8, 0);
    job->target = output == kClipboardOutput ? RasterTarget::Clipboard : RasterTarget::File;
    job->moviePath = policy_.checkRead(movie);
    const std::string target = job->target == RasterTarget::File ? policy_.checkWrite(output) : output;

    tbx::GdiObject bitmap = job->render(rasteriser_);
    if (job->target == RasterTarget::File) {
        // No type: the output path's extension chooses the encoder.
        encoders_.saveBitmap(static_cast<HBITMAP>(bitmap.get()), target, nullptr);
    }
    return paramBool(true);
}

// Opening a share path signs the user in to its server, so even a look at
// the header is judged.
ParamPtr FlashExServiceSwf::isSwf(FlashExRequest& request) {
    return paramBool(::isSwf(policy_.checkRead(stringArgument(request, 0))));
}

ParamPtr FlashExServiceSwf::isAs3Swf(FlashExRequest& request) {
    return paramBool(::isAs3Swf(policy_.checkRead(stringArgument(request, 0))));
}
