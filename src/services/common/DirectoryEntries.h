#pragma once
#include <windows.h>

#include <cstring>
#include <string>

#include "tbx/Handles.h"

// Calls visit(entry) for every entry that the search pattern finds, in
// enumeration order, except "." and "..". A pattern that finds nothing or
// cannot be searched visits nothing.
template <typename Visit>
void forEachDirectoryEntry(const std::string& pattern, Visit visit) {
    WIN32_FIND_DATAA entry;
    tbx::FindHandle search(FindFirstFileA(pattern.c_str(), &entry));
    if (!search) return;
    do {
        if (strcmp(entry.cFileName, ".") != 0 && strcmp(entry.cFileName, "..") != 0) visit(entry);
    } while (FindNextFileA(search.get(), &entry));
}
