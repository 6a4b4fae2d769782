#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace tbx {

// Seconds since 1970-01-01 UTC, low 32 bits, as the archive stores them.
uint32_t file_mtime_unix(const std::string& path);
// The same for a file time the caller already has (before 1970: 0).
uint32_t file_time_unix(const FILETIME& time);
uint32_t current_time_unix();
// Sets the access and modification times of a file or directory; false when
// it cannot be opened.
bool set_file_times_unix(const std::string& path, uint32_t seconds);
// The same through a handle open with write access to the attributes.
bool set_file_times_unix(HANDLE file, uint32_t seconds);

}  // namespace tbx
