#pragma once
#include <string>

namespace security {

// Shapes of long full paths that the rules, written as drive and UNC paths,
// cannot describe, and that the policy therefore refuses or treats warily.

// "\\server\share..." (and every other path that begins with two backslashes).
bool isUncPath(const std::string& n);
// "\\.\" and "\\?\": devices and raw object paths; DOS device names (CON,
// NUL, COM1) come out of the full-path service in this form.
bool isDeviceNamespacePath(const std::string& n);
// A ':' anywhere but after a drive letter: an alternate data stream such as
// "x::$DATA" or "dir::$INDEX_ALLOCATION", which reaches the named file or
// directory itself under a name that no rule written for it matches.
bool namesStream(const std::string& n);
// A UNC path whose server is this machine: "localhost", the computer name, an
// IPv4 loopback address in any of its spellings (127.0.0.1, 127.1,
// 2130706433, 0x7f.1) or an IPv6 literal name. Its admin shares reach local
// files under names that neither the trusted directory nor the rules know.
bool namesThisMachine(const std::string& n);
// Whether a path, as a movie wrote it, may reach something over the network:
// a share path ("\\server\share", also as a relative path while the current
// folder lies on a share), or a device or object path ("\\.\", "\\?\",
// "\??\") that names no drive, through which the network redirector is
// reached ("\\.\UNC\server", "\\?\GLOBALROOT\Device\Mup\server"). Decided
// from the text and its absolute form alone: asking the file system about
// such a path would contact the server and sign the user in there.
bool mayReachNetwork(const std::string& path);

}  // namespace security
