#pragma once
#include <string>

// The full path of path as the system makes it, within a buffer of 1024
// bytes: the path itself (at most its first 1022 bytes) when the system
// cannot make one, the empty string when the full path does not fit.
std::string fullPathName(const std::string& path);
