#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "tbx/FileUtil.h"

// Path helpers of the file service. Paths are narrow text in the ANSI code page.

// The system temporary directory and the process current directory, with or
// without a trailing backslash.
std::string tempDirectory(bool withSeparator);
std::string currentDirectory(bool withSeparator);

// true: a path ending in '\\' or '/' stays, any other (also "") gets '\\'.
// false: one final '\\' or '/' is removed.
std::string setTrailingSeparator(const std::string& path, bool withSeparator);

// The folder that path names, without trailing separators; a root ("\",
// "C:\") keeps its one, since "C:" alone is drive C's current folder.
std::string withoutTrailingSeparators(const std::string& path);

// directory + name with exactly the separator needed between them; a directory
// of 0 or 1 characters is refused with MvException.
std::string joinPath(const std::string& directory, const std::string& name);
// MvException "ディレクトリ名が短過ぎます。0" for a directory of 0 or 1 characters.
void requireDirectoryName(const std::string& directory);

// Judges a path that a command is about to read or write and answers the name
// to use for it (the name that was judged); throws to refuse it.
using PathCheck = tbx::path_check;

// The last-write time from the file's attribute data; TbException on failure.
FILETIME lastWriteTime(const std::string& path);

// Seconds since 1970-01-01 00:00:00 UTC, truncated toward zero, low 32 bits.
int unixSeconds(const FILETIME& time);

// False for a path that does not exist (tbx::is_directory tells folders).
bool isExistingFile(const std::string& path);
