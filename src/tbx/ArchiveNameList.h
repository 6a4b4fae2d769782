#pragma once
#include <string>

#include "tbx/Archive.h"

namespace tbx {

// After unpacking: moves each numbered placeholder entry onto the full name
// its line of the name list gives, then deletes the list and its directory.
// dest ends with a separator. A line naming a placeholder that was not
// unpacked leaves an existing file at its target untouched. Every target is
// named to check before the first move.
void apply_archive_name_list(const std::string& dest, const archive_target_check& check = {});

}  // namespace tbx
