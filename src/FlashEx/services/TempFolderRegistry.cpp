#include "TempFolderRegistry.h"

#include "DirectoryTree.h"
#include "FlashEx/MvException.h"
#include "PathText.h"
#include "PathUtilities.h"
#include "security/SecurityPaths.h"

namespace {

TempFolderRegistry* processRegistry = nullptr;

// A folder ending in '~' may lie anywhere; any other must lie strictly below
// the temporary directory, both compared as long full paths (".", "..",
// short names and '/' resolved), so that neither the temporary directory
// itself nor a sibling that only shares its name's beginning is ever deleted.
void checkFolderName(const std::string& folder) {
    if (folder.size() <= 1) throw MvException("一時フォルダ名が不正です。");
    if (endsWithCharacter(folder, '~')) return;
    if (!isPathBelow(longFullPath(folder), longFullPath(tempDirectory(false))))
        throw MvException("指定されたパスは一時フォルダとして設定する事が出来ません。");
}

}  // namespace

TempFolderRegistry& TempFolderRegistry::instance() {
    if (!processRegistry) processRegistry = new TempFolderRegistry;
    return *processRegistry;
}

void TempFolderRegistry::shutdown() {
    delete processRegistry;
    processRegistry = nullptr;
}

std::string TempFolderRegistry::mutexName(const std::string& folder) { return replaceCharacters(folder, "\\:", '_'); }

void TempFolderRegistry::useTempFolder(const std::string& folder) {
    if (isRegistered(folder)) return;
    checkFolderName(folder);
    tbx::KernelHandle mutex(CreateMutexA(nullptr, FALSE, mutexName(folder).c_str()));
    // Without its mutex the folder could be deleted under another instance.
    if (!mutex) throw MvException("一時フォルダ「" + folder + "」を登録できませんでした。");
    TempFolder& entry = folders_[folder];
    entry.path = folder;
    entry.mutex = std::move(mutex);
}

bool TempFolderRegistry::isRegistered(const std::string& folder) const { return folders_.count(folder) != 0; }

TempFolderRegistry::~TempFolderRegistry() {
    for (auto& [key, folder] : folders_) {
        if (folder.path.empty()) continue;
        folder.mutex.reset();
        // Creating the mutex anew succeeds without "already exists" only when
        // no other running instance holds it.
        tbx::KernelHandle owned(CreateMutexA(nullptr, TRUE, mutexName(key).c_str()));
        if (owned && GetLastError() != ERROR_ALREADY_EXISTS) deleteDirectoryTree(folder.path);
    }
}
