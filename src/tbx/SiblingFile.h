#pragma once
#include <string>

#include "tbx/Handles.h"

namespace tbx {

// Creates a new, empty file for writing in the target's directory, named "~"
// and a number (a single character for a one-character target name), never
// longer than the target's own name: wherever the target's path fits, so
// does this one. An existing file is never opened. On success `path` holds
// its full path; the handle is invalid when no such file could be made.
FileHandle create_file_beside(const std::string& target, std::string& path);

}  // namespace tbx
