#include "services/file/FlashExServiceSecureFile.h"

#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "services/common/ServiceArguments.h"
#include "services/file/TextFile.h"
#include "security/SecurityPolicy.h"

const ServiceCommand<FlashExServiceSecureFile> FlashExServiceSecureFile::kCommands[] = {
    {"loadTextFile", &FlashExServiceSecureFile::loadTextFile, 2, 2},
};

std::vector<CommandSignature> FlashExServiceSecureFile::commands() const { return signaturesOf(kCommands); }

bool FlashExServiceSecureFile::invoke(FlashExRequest& request, ParamPtr& result) {
    return runCommand(*this, kCommands, request, result);
}

ParamPtr FlashExServiceSecureFile::loadTextFile(FlashExRequest& request) {
    std::string path = policy_.checkRead(stringArgument(request, 0));
    return paramString(readTextFile(path.c_str(), textArgument(request, 1), false));
}
