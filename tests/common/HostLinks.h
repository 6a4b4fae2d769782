#pragma once
#include <string>

namespace movara_test {

// Runs a shell command on the Linux machine that Wine runs on; true when it
// ends with exit status 0. No double quotes in the command.
bool runOnHost(const std::string& shellCommand);

// A directory link made on the host (Win32 cannot make one that Wine
// follows); Wine shows it as a reparse point. Windows paths in, false when
// the link could not be made.
bool makeDirectoryLink(const std::string& link, const std::string& target);
// Removes such a link (Wine cannot remove a host link itself); the target stays.
void removeDirectoryLink(const std::string& link);

// A path quoted for the host's shell.
std::string hostQuoted(const std::string& unixPath);

}  // namespace movara_test
