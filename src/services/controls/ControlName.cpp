#include "services/controls/ControlName.h"

#include <windows.h>
#include <shlwapi.h>

#include "security/MultiByteCompare.h"
#include "security/SecurityPolicy.h"
#include "tbx/FlashExException.h"
#include "tbx/PathString.h"
#include "tbx/TextConversion.h"

namespace {

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The scheme of a URL ("http", "file", "about"), or "" for none. One letter
// before the colon is a drive, not a scheme.
std::string schemeOf(const std::string& name) {
    if (name.empty() || !isAsciiLetter(name[0])) return std::string();
    size_t i = 1;
    while (i < name.size() && (isAsciiLetter(name[i]) || (name[i] >= '0' && name[i] <= '9') || name[i] == '+' ||
                               name[i] == '-' || name[i] == '.'))
        ++i;
    return i >= 2 && i < name.size() && name[i] == ':' ? name.substr(0, i) : std::string();
}

bool isRegisteredProgId(const std::string& name) {
    std::u16string wide = multiByteToWide(name, CP_ACP);
    CLSID clsid;
    return SUCCEEDED(CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(wide.c_str()), &clsid));
}

bool holdsPathSeparator(const std::string& name) {
    return tbx::find_character(name, '\\') != std::string::npos || tbx::find_character(name, '/') != std::string::npos;
}

}  // namespace

std::string judgedControlName(const SecurityPolicy& policy, const std::string& name) {
    if (name.empty() || name[0] == '{') return name;
    std::string scheme = schemeOf(name);
    if (security::equalsIgnoreCase(scheme, "file")) {
        char path[MAX_PATH];
        DWORD length = MAX_PATH;
        if (FAILED(PathCreateFromUrlA(name.c_str(), path, &length, 0)))
            throw FlashExException("ファイルURL「" + name + "」をパスに変換できませんでした。");
        return policy.checkRead(path);
    }
    if (!scheme.empty()) return name;
    bool movie = name.size() >= 5 && security::endsWithIgnoreCase(name, ".swf");
    bool path = movie || holdsPathSeparator(name) || (name.size() >= 2 && name[1] == ':');
    // The host window tries a ProgID before anything else.
    if (!path && (isRegisteredProgId(name) || GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES)) return name;
    return policy.checkRead(name);
}
