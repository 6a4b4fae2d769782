#pragma once
#include <string>

// The listing XML of a directory: a "directory" element labelled with the
// path as given, holding "folder" elements (with their own listing when
// `recurse`) and, when `includeFiles`, "file" elements, in enumeration order.
// A directory of 0 or 1 characters is refused with MvException.
std::string getDirectoryXML(const std::string& directory, bool includeFiles, bool recurse);
