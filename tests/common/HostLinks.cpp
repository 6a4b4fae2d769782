#include "HostLinks.h"

#include <windows.h>

#include <stdexcept>

#include "TestFiles.h"

namespace movara_test {

namespace {

// One argument of a Windows command line, which Wine splits into the host
// program's arguments: in double quotes, a quote escaped by a backslash and
// the backslashes before a quote doubled.
std::string commandLineArgument(const std::string& text) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : text) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted += std::string(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    return quoted + std::string(backslashes * 2, '\\') + "\"";
}

}  // namespace

void runOnHost(const std::string& shellCommand) {
    std::string output;
    try {
        runUnixProgram("/bin/sh -c " + commandLineArgument(shellCommand), "", output);
    } catch (const std::exception&) {
        // Nothing ran; the caller sees that nothing changed.
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
    runOnHost("ln -s " + hostQuoted(to) + " " + hostQuoted(from));
    DWORD attributes = GetFileAttributesA(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void removeDirectoryLink(const std::string& link) {
    std::string from = unixPathOf(link);
    if (!from.empty()) runOnHost("[ -L " + hostQuoted(from) + " ] && rm -f " + hostQuoted(from));
}

}  // namespace movara_test
