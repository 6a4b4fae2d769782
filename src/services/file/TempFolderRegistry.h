#pragma once
#include <map>
#include <string>
#include <utility>

#include "services/common/PathUtilities.h"
#include "tbx/Handles.h"

// The folders that the movie asked to have deleted when the program ends.
// Each registered folder keeps a named mutex open, so that at exit a running
// instance can tell whether another instance still uses the folder; only the
// last instance to exit deletes it, when its registry is destroyed (the
// program's tear-down destroys it while the system still serves file calls).
// What the deletion removes is judged by the check the registry was made
// with (the policy's write check in the program), entry by entry: a folder
// the policy denies stays, even inside a registered one.
class TempFolderRegistry {
public:
    explicit TempFolderRegistry(PathCheck mayDelete = {}) : mayDelete_(std::move(mayDelete)) {}
    ~TempFolderRegistry();
    TempFolderRegistry(const TempFolderRegistry&) = delete;
    TempFolderRegistry& operator=(const TempFolderRegistry&) = delete;

    // Registers a folder below the temporary directory, or one whose name ends
    // in '~' anywhere. The folder is kept, and deleted at exit, as its long
    // full path resolved now; the folder itself is not touched now. A folder
    // already registered is ignored. MvException when the name is refused.
    void useTempFolder(const std::string& folder);
    // MvException "一時フォルダ名が不正です。" for a name of 0 or 1 characters,
    // as the movie wrote it: resolving first would lengthen any name.
    static void requireFolderName(const std::string& folder);
    // Whether the folder, resolved now, is registered.
    bool isRegistered(const std::string& folder) const;

    // The name of the mutex that stands for a folder in every instance.
    static std::string mutexName(const std::string& folder);

private:
    struct TempFolder {
        std::string path;
        tbx::KernelHandle mutex;
    };

    PathCheck mayDelete_;
    std::map<std::string, TempFolder> folders_;
};
