#include "security/SecurityPaths.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "tbx/MvException.h"
#include "tbx/Handles.h"
#include "tbx/PathString.h"

namespace {

const DWORD kEnvironmentBuffer = 1024;
const DWORD kFullPathBuffer = 1024;
const DWORD kLongPathBuffer = 261;

std::string fullPathOf(const std::string& path) {
    char buffer[kFullPathBuffer];
    DWORD length = GetFullPathNameA(path.c_str(), kFullPathBuffer, buffer, nullptr);
    if (length == 0) throwPathFormatError(path, GetLastError());
    if (length >= kFullPathBuffer) throwPathFormatError(path, ERROR_FILENAME_EXCED_RANGE);
    return std::string(buffer, length);
}

// The long-name form, or false with the system error in error.
bool longPathOf(const std::string& path, std::string& longPath, DWORD& error) {
    char buffer[kLongPathBuffer];
    SetLastError(0);
    DWORD length = GetLongPathNameA(path.c_str(), buffer, kLongPathBuffer);
    if (length == 0) {
        error = GetLastError();
        return false;
    }
    if (length >= kLongPathBuffer) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    longPath.assign(buffer, length);
    return true;
}

std::string withBackslashes(const std::string& path) { return tbx::replace_characters(path, "/", '\\'); }

// Whether a component of a full path is "." or "..". The full-path service
// removes them, but Wine's turns "..." into ".." and keeps it there: such a
// name would be judged inside one folder and open in another. The prefix of
// a device path ("\\.\", "\\?\") is no component.
bool holdsDotComponent(const std::string& fullPath) {
    const std::string path = withBackslashes(fullPath);
    size_t start = path.compare(0, 4, "\\\\.\\") == 0 || path.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0;
    while (start <= path.size()) {
        size_t end = tbx::find_character(path, '\\', start);
        if (end == std::string::npos) end = path.size();
        const size_t length = end - start;
        if ((length == 1 || length == 2) && path.compare(start, length, "..", length) == 0) return true;
        start = end + 1;
    }
    return false;
}

// The final name of an existing object as the file system reports it, in
// DOS form ("\\?\C:\x" becomes "C:\x", "\\?\UNC\h\s" becomes "\\h\s").
bool finalPathOf(const std::string& path, std::string& finalPath) {
    tbx::FileHandle object(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!object) return false;
    char buffer[kFullPathBuffer];
    DWORD length = GetFinalPathNameByHandleA(object.get(), buffer, kFullPathBuffer, VOLUME_NAME_DOS);
    if (length == 0 || length >= kFullPathBuffer) return false;
    finalPath.assign(buffer, length);
    if (finalPath.compare(0, 8, "\\\\?\\UNC\\") == 0)
        finalPath.replace(0, 8, "\\\\");
    else if (finalPath.compare(0, 4, "\\\\?\\") == 0)
        finalPath.erase(0, 4);
    return true;
}

}  // namespace

void throwPathFormatError(const std::string& path, unsigned long error) {
    // The message names the path as far as a NUL, and at most 1,200 bytes of it.
    char message[1300];
    wsprintfA(message, "path format error %.1200s code=%d", path.c_str(), (int)error);
    throw MvException(message);
}

std::string expandEnvironment(const std::string& text) {
    char buffer[kEnvironmentBuffer];
    DWORD length = ExpandEnvironmentStringsA(text.c_str(), buffer, kEnvironmentBuffer);
    if (length == 0) throwPathFormatError(text, GetLastError());
    if (length > kEnvironmentBuffer) throwPathFormatError(text, ERROR_INSUFFICIENT_BUFFER);
    return std::string(buffer);
}

std::string specialFolderPath(int id) {
    char buffer[MAX_PATH] = {0};
    if (!SHGetSpecialFolderPathA(nullptr, buffer, id, FALSE)) return std::string();
    return buffer;
}

std::string fullPathWithoutLookup(const std::string& path) { return withBackslashes(fullPathOf(path)); }

std::string longFullPath(const std::string& path) {
    std::string full = fullPathOf(path);
    if (holdsDotComponent(full)) throwPathFormatError(path, ERROR_INVALID_NAME);
    std::string result;
    DWORD error = 0;
    if (!longPathOf(full, result, error)) {
        // Walk up to the deepest ancestor that exists and keep the rest as written.
        std::string current = full;
        for (;;) {
            if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) throwPathFormatError(path, error);
            current = tbx::dir_name_of(current);
            // Nothing exists (an unknown drive or share): the absolute form, not
            // the text as passed in, so that ".." cannot survive.
            if (current.empty()) {
                result = full;
                break;
            }
            if (longPathOf(current, result, error)) {
                result += full.substr(current.size());
                break;
            }
        }
    }
    if (result.size() >= kLongPathBuffer) throwPathFormatError(path, ERROR_FILENAME_EXCED_RANGE);
    return withBackslashes(result);
}

// A drive path ("C:", "C:\x") or a UNC path naming at least a share: the
// ancestors worth opening. A bare "\" would open the current drive's root.
static bool isOpenableAncestor(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':' && !tbx::is_lead_byte(path[0])) return true;
    return path.compare(0, 2, "\\\\") == 0 && tbx::find_character(path, '\\', 2) != std::string::npos;
}

std::string reachedPath(const std::string& longPath) {
    for (std::string current = longPath; isOpenableAncestor(current); current = tbx::dir_name_of(current)) {
        std::string finalPath;
        std::string opened = current.size() == 2 ? current + "\\" : current;
        if (!finalPathOf(opened, finalPath)) continue;
        std::string rest = longPath.substr(current.size());
        bool finalEndsWithSeparator = !finalPath.empty() && tbx::last_separator(finalPath) == finalPath.size() - 1;
        if (!rest.empty() && rest[0] == '\\' && finalEndsWithSeparator) finalPath.pop_back();
        return finalPath + rest;
    }
    return longPath;
}
