#pragma once
#include <string>
#include <vector>

namespace tbx {

// The whole file as bytes, even while other processes hold it open for writing
// or deleting. Throws std::runtime_error "cannt open <path>" when
// the file cannot be opened, "cannt read <path>" when it cannot be read whole.
std::string read_file(const std::string& path);
// Creates or replaces the file with exactly these bytes. Throws "cannt open
// <path>" or "cannt write <path>".
void write_file(const std::string& path, const std::string& data);

// Full paths of the files matching a pattern such as C:\a\*.*; with recursion
// the contents of each subdirectory (depth first) come before the files of the
// level itself. Names beginning with '.' are skipped, files and directories.
std::vector<std::string> list_files(const std::string& pattern, bool recursive);

// Creates the directory and any missing parents; failures are not reported.
void create_directories(const std::string& path);

bool is_directory(const std::string& path);

}  // namespace tbx
