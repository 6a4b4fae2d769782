// The path and folder commands of FlashExServiceFile.
#include <windows.h>
#include <shlwapi.h>

#include "tbx/PathString.h"
#include "tbx/FlashExException.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "services/file/FlashExServiceFile.h"
#include "services/common/PathUtilities.h"
#include "services/common/ServiceArguments.h"
#include "security/SecurityPaths.h"
#include "security/SecurityPolicy.h"

namespace {

// The shell's path operations work in MAX_PATH buffers; a longer path is
// refused rather than cut short.
const std::string& fittingPath(const std::string& path) {
    if (path.size() >= MAX_PATH) throw FlashExException("パスが長過ぎます。" + path);
    return path;
}

bool startsWithParentStep(const std::string& path) {
    return path.compare(0, 3, "..\\") == 0 || path.compare(0, 3, "../") == 0;
}

// A relative path is resolved against the program's directory, leading
// "..\" steps climbing from it; other "." and ".." stay as written.
std::string resolveAppRelativePath(const std::string& path) {
    if (path.find(':') != std::string::npos || (!path.empty() && path[0] == '\\')) return path;
    std::string base = moduleDirectory(false);
    std::string rest = path;
    while (startsWithParentStep(rest)) {
        base = tbx::dir_name_of(base);
        rest.erase(0, 3);
    }
    return base + "\\" + rest;
}

}  // namespace

ParamPtr FlashExServiceFile::getTempPath(FlashExRequest& request) {
    return paramString(tempDirectory(optionalBoolArgument(request, 0, true)));
}

ParamPtr FlashExServiceFile::getCurrentPath(FlashExRequest& request) {
    return paramString(currentDirectory(optionalBoolArgument(request, 0, true)));
}

ParamPtr FlashExServiceFile::getAppPath(FlashExRequest& request) {
    return paramString(moduleDirectory(optionalBoolArgument(request, 0, true)));
}

ParamPtr FlashExServiceFile::getTrustedDir(FlashExRequest& request) { return paramString(policy_.trustedDir()); }

ParamPtr FlashExServiceFile::isTrustedPath(FlashExRequest& request) {
    return paramBool(policy_.isTrustedPath(stringArgument(request, 0)));
}

ParamPtr FlashExServiceFile::shGetFolderPath(FlashExRequest& request) {
    return paramString(specialFolderPath(intArgument(request, 0)));
}

ParamPtr FlashExServiceFile::normalizePath(FlashExRequest& request) {
    const std::string& path = stringArgument(request, 0);
    bool withSeparator = optionalBoolArgument(request, 1, false);
    return paramString(setTrailingSeparator(resolveAppRelativePath(path), withSeparator));
}

ParamPtr FlashExServiceFile::pathRelativePathTo(FlashExRequest& request) {
    const std::string& from = fittingPath(stringArgument(request, 0));
    DWORD fromAttributes = boolArgument(request, 1) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    const std::string& to = fittingPath(stringArgument(request, 2));
    DWORD toAttributes = boolArgument(request, 3) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    char relative[MAX_PATH] = "";
    if (!PathRelativePathToA(relative, from.c_str(), fromAttributes, to.c_str(), toAttributes)) return nullptr;
    return paramString(relative);
}

ParamPtr FlashExServiceFile::pathCanonicalize(FlashExRequest& request) {
    const std::string& path = fittingPath(stringArgument(request, 0));
    char canonical[MAX_PATH] = "";
    if (!PathCanonicalizeA(canonical, path.c_str())) return nullptr;
    return paramString(canonical);
}
