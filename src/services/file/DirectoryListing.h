#pragma once
#include <functional>
#include <string>

// Whether the listing may read a sub-folder's contents.
using FolderFilter = std::function<bool(const std::string& folder)>;

// The listing XML of a directory: a "directory" element labelled with
// `label` (the path as the movie wrote it), holding "folder" elements (with
// their own listing when `recurse`) and, when `includeFiles`, "file" elements,
// in enumeration order, of the folder `directory`. A sub-folder that `mayList`
// refuses is listed without contents, like one that cannot be searched. A
// label of 0 or 1 characters is refused with MvException.
std::string getDirectoryXML(const std::string& label, const std::string& directory, bool includeFiles, bool recurse,
                            const FolderFilter& mayList = {});

// The listing labelled with the directory's own name.
inline std::string getDirectoryXML(const std::string& directory, bool includeFiles, bool recurse) {
    return getDirectoryXML(directory, directory, includeFiles, recurse);
}
