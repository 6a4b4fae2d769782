#include "security/FileAccessRule.h"

#include "tbx/MvException.h"
#include "security/MultiByteCompare.h"
#include "tbx/PathString.h"

using namespace security;

namespace {

bool matchesDirectory(const std::string& n, const std::string& directory, bool justBelow) {
    if (!startsWithIgnoreCase(n, directory)) return false;
    if (n.size() == directory.size()) return true;
    if (n[directory.size()] != '\\') return false;
    return !justBelow || tbx::find_character(n, '\\', directory.size() + 1) == std::string::npos;
}

}  // namespace

bool FileAccessRule::matches(const std::string& n) const {
    switch (match) {
        case MatchDir:
            return matchesDirectory(n, path, justBelow);
        case MatchAny:
            return true;
        case MatchRight:
            return endsWithIgnoreCase(n, path);
        case MatchExact:
            return equalsIgnoreCase(n, path);
    }
    throw MvException("invalid match type");
}

int parseAccessLetters(const std::string& letters) {
    int access = 0;
    if (tbx::find_character(letters, 'r') != std::string::npos) access |= AccessRead;
    if (tbx::find_character(letters, 'w') != std::string::npos) access |= AccessWrite;
    if (tbx::find_character(letters, 'x') != std::string::npos) access |= AccessExecute;
    return access;
}

MatchKind parseMatchKind(const std::string& value) {
    if (value == "dir") return MatchDir;
    if (value == "*") return MatchAny;
    if (value == "right") return MatchRight;
    return MatchExact;
}
