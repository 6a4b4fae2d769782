#include "services/file/FlashExServiceSecureFile.h"

#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "services/common/ServiceArguments.h"
#include "services/file/TextFile.h"
#include "security/SecurityPolicy.h"

bool FlashExServiceSecureFile::invoke(FlashExRequest& request, ParamPtr& result) {
    if (request.name != "loadTextFile") return false;
    std::string path = policy_.checkRead(stringArgument(request, 0));
    result = paramString(readTextFile(path.c_str(), textArgument(request, 1), false));
    return true;
}
