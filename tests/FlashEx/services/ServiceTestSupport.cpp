#include "ServiceTestSupport.h"

#include "dom/MvDOMDocument.h"
#include "security/SecurityPolicy.h"

namespace service_test {

void useTestPolicy() {
    static bool loaded = false;
    if (loaded) return;
    MvDOMDocument settings;
    settings.loadXML(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
        "<settings><security><fileAccess>"
        "<deny access=\"rw\" match=\"right\">\\forbidden</deny>"
        "<deny access=\"w\" match=\"right\">\\readonly</deny>"
        "<allow access=\"rwx\" match=\"*\"></allow>"
        "</fileAccess></security></settings>");
    SecurityPolicy::instance().load(settings.findChild("settings").findChild("security"));
    loaded = true;
}

}  // namespace service_test
