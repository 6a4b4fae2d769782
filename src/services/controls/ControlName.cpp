#include "services/controls/ControlName.h"

#include <windows.h>

#include "security/MultiByteCompare.h"
#include "security/SecurityPolicy.h"
#include "services/common/FileUrl.h"
#include "tbx/FlashExException.h"
#include "tbx/PathString.h"
#include "tbx/TextConversion.h"

namespace {

bool isRegisteredProgId(const std::string& name) {
    std::u16string wide = multiByteToWide(name, CP_ACP);
    CLSID clsid;
    return SUCCEEDED(CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(wide.c_str()), &clsid));
}

bool holdsPathSeparator(const std::string& name) {
    return tbx::find_character(name, '\\') != std::string::npos || tbx::find_character(name, '/') != std::string::npos;
}

// The browser reads a name's scheme past blanks and control characters.
std::string schemeOf(const std::string& name) {
    std::string visible;
    for (char c : name)
        if (static_cast<unsigned char>(c) > ' ') visible += c;
    return urlSchemeOf(visible);
}

// A movie goes to a player, which only reads it; any other file goes to the
// web control, which runs what it holds (a page's scripts, in the local zone).
std::string judgedFile(const SecurityPolicy& policy, const std::string& path) {
    std::string judged = policy.checkRead(path);
    return isMovieName(path) ? judged : policy.checkExecute(path);
}

}  // namespace

bool isMovieName(const std::string& name) { return name.size() >= 5 && security::endsWithIgnoreCase(name, ".swf"); }

std::string judgedControlName(const SecurityPolicy& policy, const std::string& name) {
    if (name.empty() || name[0] == '{') return name;
    std::string scheme = schemeOf(name);
    if (security::equalsIgnoreCase(scheme, "file")) return judgedFile(policy, pathOfFileUrl(name));
    if (!scheme.empty()) {
        bool web = security::equalsIgnoreCase(scheme, "http") || security::equalsIgnoreCase(scheme, "https");
        if (!web && !policy.webContentEnabled())
            throw FlashExException(
                "「" + name +
                "」は開けません。http:、https:、file: 以外のURLは、設定のwebContentで許されている時だけ開けます。");
        return name;
    }
    bool path = isMovieName(name) || holdsPathSeparator(name) || (name.size() >= 2 && name[1] == ':');
    // The host window tries a ProgID before anything else.
    if (!path && (isRegisteredProgId(name) || GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES)) return name;
    return judgedFile(policy, name);
}
