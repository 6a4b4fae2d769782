#include "HostLinks.h"

#include <windows.h>

#include <stdexcept>

#include "TestFiles.h"

namespace movara_test {

bool runOnHost(const std::string& shellCommand) {
    std::string output;
    try {
        return runUnixProgram(shellCommand, "", output) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

std::string hostQuoted(const std::string& unixPath) {
    std::string quoted = "'";
    for (char c : unixPath) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool makeDirectoryLink(const std::string& link, const std::string& target) {
    std::string from = unixPathOf(link), to = unixPathOf(target);
    if (from.empty() || to.empty()) return false;
    if (!runOnHost("ln -s " + hostQuoted(to) + " " + hostQuoted(from))) return false;
    DWORD attributes = GetFileAttributesA(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void removeDirectoryLink(const std::string& link) {
    std::string from = unixPathOf(link);
    if (!from.empty()) runOnHost("[ -L " + hostQuoted(from) + " ] && rm -f " + hostQuoted(from));
}

}  // namespace movara_test
