#pragma once
#include <string>
#include <vector>

#include "tbx/Handles.h"

// The file-drop block (CF_HDROP) that offers files to other programs: a
// 20-byte header (list offset 20, drop point 0,0, client area, narrow names)
// and each path followed by a NUL, one more NUL ending the list. Movable,
// zero-filled global memory of 21 bytes plus each path's length plus one.
tbx::GlobalMemory makeFileDropBlock(const std::vector<std::string>& paths);
