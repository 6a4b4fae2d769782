#include "HostLinks.h"

#include <stdexcept>

#include "TestFiles.h"

namespace movara_test {

bool runOnHost(const std::string& command) {
    std::string output;
    try {
        return runUnixProgram(command, "", output) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

std::string hostQuoted(const std::string& unixPath) { return "\"" + unixPath + "\""; }

bool makeDirectoryLink(const std::string& link, const std::string& target) {
    std::string from = unixPathOf(link), to = unixPathOf(target);
    return !from.empty() && !to.empty() && runOnHost("/bin/ln -s " + hostQuoted(to) + " " + hostQuoted(from));
}

void removeDirectoryLink(const std::string& link) {
    std::string from = unixPathOf(link);
    if (!from.empty()) runOnHost("/bin/rm -f " + hostQuoted(from));
}

}  // namespace movara_test
