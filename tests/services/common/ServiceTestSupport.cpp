#include "ServiceTestSupport.h"

#include <memory>

#include "services/file/TempFolderRegistry.h"
#include "dom/MvDOMDocument.h"
#include "security/SecurityPolicy.h"

namespace service_test {

namespace {

std::unique_ptr<TempFolderRegistry> tempFolders;

}  // namespace

TempFolderRegistry& testTempFolders() {
    if (!tempFolders) tempFolders = std::make_unique<TempFolderRegistry>();
    return *tempFolders;
}

void resetTestTempFolders() { tempFolders.reset(); }

SecurityPolicy& testPolicy() {
    static SecurityPolicy policy;
    static bool loaded = false;
    if (loaded) return policy;
    MvDOMDocument settings;
    settings.loadXML(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
        "<settings><security><fileAccess>"
        "<deny access=\"rw\" match=\"right\">\\forbidden</deny>"
        "<deny access=\"w\" match=\"right\">\\readonly</deny>"
        "<allow access=\"rwx\" match=\"*\"></allow>"
        "</fileAccess></security></settings>");
    policy.load(settings.findChild("settings").findChild("security"));
    loaded = true;
    return policy;
}

}  // namespace service_test
