#pragma once
#include <windows.h>

namespace player {

// The player DLL's own module handle (set when the DLL is loaded).
HINSTANCE playerModule();

}  // namespace player
