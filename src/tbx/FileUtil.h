#pragma once
#include <functional>
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

// Judges a path that is about to be written and answers the name to use for
// it (the name that was judged); throws to refuse it.
using path_check = std::function<std::string(const std::string& path)>;

// Creates the directory and any missing parents, from the top down; failures
// are not reported, and a bare drive or root is never created. With a check,
// every missing folder is judged before the first is created and is created
// under the name the check answers, so that a name the file system would
// change (a trailing space or dot) is judged, and made, as what it becomes.
void create_directories(const std::string& path, const path_check& check = {});

// The folders that path names and its parents, the deepest first, that do not
// exist yet, up to the first that does; a bare drive or root is never among them.
std::vector<std::string> missing_directories(const std::string& path);

// False for a path that does not exist.
bool is_directory(const std::string& path);

}  // namespace tbx
