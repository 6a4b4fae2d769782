#include "services/controls/ControlName.h"

#include <windows.h>

#include "security/MultiByteCompare.h"
#include "security/SecurityPolicy.h"
#include "services/common/FileUrl.h"
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

}  // namespace

std::string judgedControlName(const SecurityPolicy& policy, const std::string& name) {
    if (name.empty() || name[0] == '{') return name;
    std::string scheme = urlSchemeOf(name);
    if (security::equalsIgnoreCase(scheme, "file")) return policy.checkRead(pathOfFileUrl(name));
    if (!scheme.empty()) return name;
    bool movie = name.size() >= 5 && security::endsWithIgnoreCase(name, ".swf");
    bool path = movie || holdsPathSeparator(name) || (name.size() >= 2 && name[1] == ':');
    // The host window tries a ProgID before anything else.
    if (!path && (isRegisteredProgId(name) || GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES)) return name;
    return policy.checkRead(name);
}
