#include "services/shell/ProgramSearch.h"

#include <windows.h>

#include "security/PathForms.h"
#include "security/SecurityPaths.h"
#include "services/common/PathUtilities.h"
#include "tbx/Error.h"
#include "tbx/ModulePath.h"
#include "tbx/PathString.h"

namespace {

std::string environmentText(const char* name) {
    char buffer[32768];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

// The entries of a list such as PATH or PATHEXT; empty entries are dropped.
std::vector<std::string> listEntries(const std::string& list) {
    std::vector<std::string> entries;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        std::string entry = tbx::trim_blanks(list.substr(start, end - start));
        if (!entry.empty() && entry.front() == '"' && entry.back() == '"' && entry.size() >= 2)
            entry = entry.substr(1, entry.size() - 2);
        if (!entry.empty()) entries.push_back(entry);
        start = end + 1;
    }
    return entries;
}

std::string systemFolder() {
    char buffer[MAX_PATH];
    UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

std::string windowsFolder() {
    char buffer[MAX_PATH];
    UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

bool hasFolderPart(const std::string& name) {
    return tbx::find_character(name, '\\') != std::string::npos ||
           tbx::find_character(name, '/') != std::string::npos || (name.size() >= 2 && name[1] == ':');
}

bool isRelative(const std::string& name) {
    bool rooted = !name.empty() && (name[0] == '\\' || name[0] == '/');
    return !rooted && !(name.size() >= 2 && name[1] == ':');
}

bool hasExtension(const std::string& name) {
    size_t dot = tbx::find_last_character(name, '.');
    size_t separator = tbx::last_separator(name);
    return dot != std::string::npos && (separator == std::string::npos || dot > separator) && dot + 1 < name.size();
}

// The places a name is looked for, before endings are added.
std::vector<std::string> basesOf(const std::string& name, const ProgramSearch& search) {
    std::vector<std::string> bases;
    if (!hasFolderPart(name)) {
        for (const std::string& folder : search.folders) bases.push_back(tbx::with_trailing_separator(folder) + name);
    } else if (isRelative(name)) {
        for (const std::string& base : search.relativeBases) bases.push_back(tbx::with_trailing_separator(base) + name);
    } else {
        bases.push_back(name);
    }
    return bases;
}

// Whether candidate is the file searched for; found is then its full path. A
// candidate the system cannot make a path of (a stray PATH entry) is skipped.
bool reaches(const std::string& candidate, bool foldersFound, std::string& found) {
    try {
        std::string full = fullPathWithoutLookup(candidate);
        if (security::mayReachNetwork(candidate)) {
            found = full;
            return true;
        }
        if (!isExistingFile(full) && !(foldersFound && tbx::is_directory(full))) return false;
        found = longFullPath(full);
        return true;
    } catch (const tbx::Error&) {
        return false;
    }
}

std::string extensionOf(const std::string& name) {
    return hasExtension(name) ? name.substr(tbx::find_last_character(name, '.')) : std::string();
}

std::vector<std::string> withExeAdded(const std::string& name) { return {hasExtension(name) ? "" : ".exe"}; }

std::vector<std::string> asWritten(const std::string&) { return {""}; }

std::vector<std::string> pathExtensions() {
    std::vector<std::string> extensions = listEntries(environmentText("PATHEXT"));
    if (extensions.empty()) extensions = {".COM", ".EXE", ".BAT", ".CMD"};
    return extensions;
}

bool listsExtension(const std::vector<std::string>& extensions, const std::string& extension) {
    for (const std::string& listed : extensions)
        if (!extension.empty() && lstrcmpiA(listed.c_str(), extension.c_str()) == 0) return true;
    return false;
}

}  // namespace

ProgramSearch processSearch(bool exeAdded) {
    ProgramSearch search;
    search.folders = {moduleDirectory(false), currentDirectory(false), systemFolder(), windowsFolder() + "\\system",
                      windowsFolder()};
    append(search.folders, listEntries(environmentText("PATH")));
    search.relativeBases = {currentDirectory(false)};
    search.endings = exeAdded ? withExeAdded : asWritten;
    return search;
}

ProgramSearch commandProcessorSearch() {
    ProgramSearch search;
    search.folders = {currentDirectory(false)};
    append(search.folders, listEntries(environmentText("PATH")));
    search.relativeBases = {currentDirectory(false)};
    search.endings = [extensions = pathExtensions()](const std::string& name) {
        if (listsExtension(extensions, extensionOf(name))) return std::vector<std::string>{""};
        std::vector<std::string> endings = extensions;
        endings.push_back("");
        return endings;
    };
    return search;
}

ProgramSearch shellSearch(const char* directory) {
    ProgramSearch search = processSearch(true);
    if (directory && *directory) {
        search.folders.insert(search.folders.begin(), directory);
        search.relativeBases.insert(search.relativeBases.begin(), directory);
    }
    search.endings = [](const std::string& name) {
        std::vector<std::string> endings = withExeAdded(name);
        if (!endings[0].empty()) endings.push_back("");
        return endings;
    };
    search.foldersFound = true;
    return search;
}

std::string findProgram(const std::string& name, const ProgramSearch& search) {
    if (name.empty()) return std::string();
    for (const std::string& base : basesOf(name, search)) {
        for (const std::string& ending : search.endings(name)) {
            std::string found;
            if (reaches(base + ending, search.foldersFound, found)) return found;
        }
    }
    return std::string();
}

std::string commandProcessorPath() {
    std::string comspec = environmentText("COMSPEC");
    return comspec.empty() ? systemFolder() + "\\cmd.exe" : comspec;
}

bool isBatchFile(const std::string& path) {
    std::string extension = extensionOf(path);
    return lstrcmpiA(extension.c_str(), ".bat") == 0 || lstrcmpiA(extension.c_str(), ".cmd") == 0;
}

bool startsAsProgram(const std::string& path) { return listsExtension(pathExtensions(), extensionOf(path)); }
