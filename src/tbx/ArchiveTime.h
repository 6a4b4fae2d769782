#pragma once
#include <cstdint>
#include <string>

namespace tbx {

// Seconds since 1970-01-01 UTC, low 32 bits, as the archive stores them.
uint32_t file_mtime_unix(const std::string& path);
uint32_t current_time_unix();
// Sets the access and modification times of a file or directory; false when
// it cannot be opened.
bool set_file_times_unix(const std::string& path, uint32_t seconds);

}  // namespace tbx
