#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

// The shell's "FileGroupDescriptor" block: a 32-bit count followed by that
// many 332-byte file descriptors. The block comes from another program, so
// only the descriptors that lie wholly inside it are taken, whatever the
// count claims.
std::vector<FILEDESCRIPTORA> fileDescriptorsOf(const std::string& block);

// The descriptor's file name; a name without its terminating NUL ends with
// the 260 bytes of its field.
std::string fileDescriptorName(const FILEDESCRIPTORA& descriptor);
