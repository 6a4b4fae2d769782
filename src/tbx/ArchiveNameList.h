#pragma once
#include <string>

namespace tbx {

// After unpacking: moves each numbered placeholder entry onto the full name
// its line of the name list gives, then deletes the list and its directory.
// dest ends with a separator. A line naming a placeholder that was not
// unpacked leaves an existing file at its target untouched.
void apply_archive_name_list(const std::string& dest);

}  // namespace tbx
