#include "FlashExServiceSecureFile.h"

#include "FlashEx/FlashExParam.h"
#include "FlashEx/FlashExRequest.h"
#include "FlashEx/services/ServiceArguments.h"
#include "FlashEx/services/TextFile.h"
#include "security/SecurityPolicy.h"

bool FlashExServiceSecureFile::invoke(FlashExRequest& request, FlashExParam*& result) {
    if (request.name != "loadTextFile") return false;
    std::string path = SecurityPolicy::instance().checkRead(stringArgument(request, 0));
    result = new FlashExParamString(readTextFile(path.c_str(), textArgument(request, 1), false));
    return true;
}
