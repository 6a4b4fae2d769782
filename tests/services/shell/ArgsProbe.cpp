// Answers the shell service's "args" for its own command line: writes the
// value XML of the answer to args.xml in its working directory.
#include "bridge/values/FlashExRequest.h"
#include "services/shell/FlashExServiceShell.h"
#include "security/SecurityPolicy.h"
#include "tbx/FileUtil.h"
#include "ServiceTestSupport.h"

int main() {
    SecurityPolicy policy;
    service_test::TestWindows windows;
    FlashExServiceShell shell(policy, windows);
    FlashExRequest request;
    request.name = "args";
    ParamPtr answer;
    if (!shell.invoke(request, answer) || !answer) return 2;
    std::string xml;
    answer->writeXML(xml);
    tbx::write_file("args.xml", xml);
    return 0;
}
