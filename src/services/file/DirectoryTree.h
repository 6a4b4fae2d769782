#pragma once
#include <string>

#include "services/common/PathUtilities.h"

// What a tree command asks before it reads a file or folder of the source
// (`read`) and before it creates or replaces one at the destination
// (`write`); each check answers the name to use or throws to refuse. Without
// checks every name is used as it stands.
struct TreeChecks {
    PathCheck read;
    PathCheck write;
};

// Copies the tree below `source` into `destination`, creating it as needed.
// An existing destination file is replaced when `onlyNewer` is true and the
// source is later, or else when `overwrite` is true. Throws MvException when
// the source is no directory, when the destination is the source or lies
// inside it, or at the first file that cannot be copied (what was copied
// stays); a check that refuses stops the copy the same way, before the
// refused file or folder is touched.
void copyDirectoryTree(const std::string& source, const std::string& destination, bool overwrite, bool onlyNewer,
                       const TreeChecks& checks = {});

// Deletes the directory and everything below it as far as possible; failures
// are silent (what cannot be deleted stays, and so do its parents). A
// directory that is a link (a symbolic link or a junction) is unlinked, never
// emptied: its contents live elsewhere. With mayDelete, every file and folder
// is judged first and deleted under the name the check answers; one it
// refuses stays with everything below it.
void deleteDirectoryTree(const std::string& path, const PathCheck& mayDelete = {});
