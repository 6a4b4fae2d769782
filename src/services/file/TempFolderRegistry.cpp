#include "services/file/TempFolderRegistry.h"

#include "services/file/DirectoryTree.h"
#include "tbx/MvException.h"
#include "services/common/PathUtilities.h"
#include "security/SecurityPaths.h"
#include "tbx/PathString.h"
#include "tbx/TextConversion.h"

namespace {

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// The path lies inside directory: it begins with the directory, a separator
// and at least one more character.
bool isPathBelow(const std::string& path, const std::string& directory) {
    // Compared in UTF-16, where every character is whole, with the system's
    // ordinal case folding.
    std::u16string widePath = multiByteToWide(path, CP_ACP);
    std::u16string wideDirectory = multiByteToWide(directory, CP_ACP);
    while (!wideDirectory.empty() && isSeparator(wideDirectory.back())) wideDirectory.pop_back();
    if (wideDirectory.empty() || widePath.size() < wideDirectory.size() + 2) return false;
    if (!isSeparator(widePath[wideDirectory.size()])) return false;
    return CompareStringOrdinal(reinterpret_cast<LPCWCH>(widePath.data()), static_cast<int>(wideDirectory.size()),
                                reinterpret_cast<LPCWCH>(wideDirectory.data()), static_cast<int>(wideDirectory.size()),
                                TRUE) == CSTR_EQUAL;
}

// A folder ending in '~' may lie anywhere; any other must lie strictly below
// the temporary directory, both compared as long full paths (".", "..",
// short names and '/' resolved), so that neither the temporary directory
// itself nor a sibling that only shares its name's beginning is ever deleted.
// The temporary directory keeps its separator while it is resolved: "C:\"
// is the root, while "C:" would be drive C's current folder.
void checkFolderName(const std::string& longFolder) {
    if (tbx::ends_with_character(longFolder, '~')) return;
    if (!isPathBelow(longFolder, longFullPath(tempDirectory(true))))
        throw MvException("指定されたパスは一時フォルダとして設定する事が出来ません。");
}

}  // namespace

std::string TempFolderRegistry::mutexName(const std::string& folder) {
    return tbx::replace_characters(folder, "\\:", '_');
}

void TempFolderRegistry::requireFolderName(const std::string& folder) {
    if (folder.size() <= 1) throw MvException("一時フォルダ名が不正です。");
}

void TempFolderRegistry::useTempFolder(const std::string& folder) {
    requireFolderName(folder);
    // Resolved now, not at exit when the current folder may have changed: a
    // drive-relative "C:" must never become the drive's root "C:\".
    std::string path = withoutTrailingSeparators(longFullPath(folder));
    if (folders_.count(path) != 0) return;
    checkFolderName(path);
    tbx::KernelHandle mutex(CreateMutexA(nullptr, FALSE, mutexName(path).c_str()));
    // Without its mutex the folder could be deleted under another instance.
    if (!mutex) throw MvException("一時フォルダ「" + folder + "」を登録できませんでした。");
    TempFolder& entry = folders_[path];
    entry.path = path;
    entry.mutex = std::move(mutex);
}

bool TempFolderRegistry::isRegistered(const std::string& folder) const {
    return folders_.count(withoutTrailingSeparators(longFullPath(folder))) != 0;
}

TempFolderRegistry::~TempFolderRegistry() {
    for (auto& [key, folder] : folders_) {
        if (folder.path.empty()) continue;
        folder.mutex.reset();
        // Creating the mutex anew succeeds without "already exists" only when
        // no other running instance holds it.
        tbx::KernelHandle owned(CreateMutexA(nullptr, TRUE, mutexName(key).c_str()));
        if (owned && GetLastError() != ERROR_ALREADY_EXISTS) deleteDirectoryTree(folder.path, mayDelete_);
    }
}
