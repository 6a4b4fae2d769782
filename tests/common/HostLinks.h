#pragma once
#include <string>

namespace movara_test {

// Runs a command of the Linux machine that Wine runs on; true when it ends
// with exit code 0.
bool runOnHost(const std::string& command);

// A directory link made on the host (Win32 cannot make one that Wine
// follows); Wine shows it as a reparse point. Windows paths in, false when
// the link could not be made.
bool makeDirectoryLink(const std::string& link, const std::string& target);
// Removes such a link (Wine cannot remove a host link itself); the target stays.
void removeDirectoryLink(const std::string& link);

// A path quoted for a host command line.
std::string hostQuoted(const std::string& unixPath);

}  // namespace movara_test
