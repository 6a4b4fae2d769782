#pragma once
#include <string>

namespace tbx {

// Turns an entry name from an archive into a path relative to the
// destination, with '\' separators and without empty or "." parts. Throws
// std::runtime_error "invalid file name" for a name that could reach outside
// the destination or that Windows would store under another name: absolute or
// UNC names, drive letters and stream names (any ':'), "..", device names
// (CON, NUL.txt, COM1...), parts ending in a dot or a space, and characters
// Windows does not allow in names. Returns "" for a name made only of
// "." parts and separators, such as "./" (a directory entry for the root).
std::string archive_relative_path(const std::string& name);

}  // namespace tbx
