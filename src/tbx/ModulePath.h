#pragma once
#include <string>

// The directory of the program file, with or without a trailing backslash.
// MvException "path format error  code=N" when the system cannot say.
std::string moduleDirectory(bool withSeparator);
