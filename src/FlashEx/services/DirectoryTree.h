#pragma once
#include <string>

// Copies the tree below `source` into `destination`, creating it as needed.
// An existing destination file is replaced when `onlyNewer` is true and the
// source is later, or else when `overwrite` is true. Throws MvException when
// the source is no directory, when the destination is the source or lies
// inside it, or at the first file that cannot be copied (what was copied
// stays).
void copyDirectoryTree(const std::string& source, const std::string& destination, bool overwrite, bool onlyNewer);

// Deletes the directory and everything below it as far as possible; failures
// are silent (what cannot be deleted stays, and so do its parents).
void deleteDirectoryTree(const std::string& path);
