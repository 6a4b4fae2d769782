#include "FlashExServiceSecureFile.h"

#include "FlashEx/FlashExParam.h"
#include "FlashEx/FlashExRequest.h"
#include "FlashEx/services/ServiceArguments.h"
#include "FlashEx/services/TextFile.h"
#include "security/SecurityPolicy.h"

bool FlashExServiceSecureFile::invoke(FlashExRequest& request, FlashExParam*& result) {
    if (request.name != "loadTextFile") return false;
    SecurityPolicy::instance().checkRead(stringArgument(request, 0));
    result = new FlashExParamString(readTextFile(textArgument(request, 0), textArgument(request, 1), false));
    return true;
}
