#pragma once
#include <string>
#include <vector>

namespace tbx {

// The paths the command running on this thread has had judged by the
// policy, in order: a failure of the command is traced with the paths it was
// about. Each thread runs one command at a time.
void beginCommandPaths();
void noteCommandPath(const std::string& path);
std::vector<std::string> commandPaths();

}  // namespace tbx
