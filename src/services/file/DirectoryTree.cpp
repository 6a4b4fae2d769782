#include "services/file/DirectoryTree.h"

#include <windows.h>

#include "tbx/FileUtil.h"
#include "tbx/MvException.h"
#include "services/common/DirectoryEntries.h"
#include "services/common/PathUtilities.h"
#include "tbx/PathString.h"
#include "tbx/Handles.h"

namespace {

// Volume and file index of an existing file or directory, so that two names
// of one directory (case, short names, links) are recognised as the same.
bool fileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    tbx::FileHandle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && GetFileInformationByHandle(file.get(), &info);
}

bool sameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// A destination inside the source would be copied into itself without end;
// one that is the source would copy every file onto itself.
bool liesInside(const std::string& destination, const std::string& source) {
    BY_HANDLE_FILE_INFORMATION sourceInfo;
    if (!fileIdentity(source, sourceInfo)) return false;
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(destination.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return false;
    for (std::string ancestor = full; !ancestor.empty(); ancestor = tbx::dir_name_of(ancestor)) {
        BY_HANDLE_FILE_INFORMATION info;
        std::string probe = ancestor.size() == 2 && ancestor[1] == ':' ? ancestor + "\\" : ancestor;
        if (fileIdentity(probe, info) && sameIdentity(info, sourceInfo)) return true;
    }
    return false;
}

bool shouldCopy(const WIN32_FIND_DATAA& sourceEntry, const std::string& target, bool overwrite, bool onlyNewer) {
    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    if (onlyNewer) {
        FILETIME targetTime = lastWriteTime(target);
        return CompareFileTime(&sourceEntry.ftLastWriteTime, &targetTime) > 0;
    }
    return overwrite;
}

std::string checked(const PathCheck& check, const std::string& path) { return check ? check(path) : path; }

void copyTree(const std::string& source, const std::string& destination, bool overwrite, bool onlyNewer,
              const TreeChecks& checks) {
    forEachDirectoryEntry(source + "\\*.*", [&](const WIN32_FIND_DATAA& entry) {
        std::string from = source + "\\" + entry.cFileName;
        std::string to = destination + "\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            from = checked(checks.read, from);
            to = checked(checks.write, to);
            CreateDirectoryA(to.c_str(), nullptr);
            copyTree(from, to, overwrite, onlyNewer, checks);
        } else if (shouldCopy(entry, to, overwrite, onlyNewer)) {
            from = checked(checks.read, from);
            to = checked(checks.write, to);
            if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
                throw MvException("ファイルのコピーに失敗しました。 " + from + " to " + to);
        }
    });
}

}  // namespace

void copyDirectoryTree(const std::string& source, const std::string& destination, bool overwrite, bool onlyNewer,
                       const TreeChecks& checks) {
    if (!tbx::is_directory(source)) throw MvException("コピー元ディレクトリが存在しません。" + source);
    if (liesInside(destination, source))
        throw MvException("コピー先がコピー元ディレクトリの中にあります。" + destination);
    tbx::create_directories(destination, checks.write);
    copyTree(source, destination, overwrite, onlyNewer, checks);
}

namespace {

// The name to delete an entry by, or empty when the check refuses it.
std::string judgedForDeletion(const PathCheck& mayDelete, const std::string& path) {
    if (!mayDelete) return path;
    try {
        return mayDelete(path);
    } catch (...) {
        return std::string();
    }
}

void deleteJudgedTree(const std::string& path, const PathCheck& mayDelete) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!RemoveDirectoryA(path.c_str())) DeleteFileA(path.c_str());
        return;
    }
    std::string prefix = setTrailingSeparator(path, true);
    forEachDirectoryEntry(prefix + "*.*", [&](const WIN32_FIND_DATAA& entry) {
        std::string full = judgedForDeletion(mayDelete, prefix + entry.cFileName);
        if (full.empty()) return;
        if (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
            deleteJudgedTree(full, mayDelete);
        } else {
            DeleteFileA(full.c_str());
        }
    });
    RemoveDirectoryA(path.c_str());
}

}  // namespace

void deleteDirectoryTree(const std::string& path, const PathCheck& mayDelete) {
    // A link (a symbolic link or a junction) is unlinked, never emptied: its
    // contents live elsewhere. This holds for the folder asked for as well.
    std::string judged = judgedForDeletion(mayDelete, path);
    if (!judged.empty()) deleteJudgedTree(judged, mayDelete);
}
