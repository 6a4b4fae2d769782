#include "FlashExServiceSecureFile.h"

#include "FlashEx/FlashExParam.h"
#include "FlashEx/FlashExRequest.h"
#include "FlashEx/services/ServiceArguments.h"
#include "FlashEx/services/TextFile.h"
#include "security/SecurityPolicy.h"

bool FlashExServiceSecureFile::invoke(FlashExRequest& request, ParamPtr& result) {
    if (request.name != "loadTextFile") return false;
    std::string path = policy_.checkRead(stringArgument(request, 0));
    result = paramString(readTextFile(path.c_str(), textArgument(request, 1), false));
    return true;
}
