#pragma once
#include <windows.h>

// Switches a top-level window to and from full screen. On: shown normally,
// its frame rectangle saved, caption and sizing border removed, top-most over
// the whole primary screen. Off: caption and border back, not top-most, at the
// saved rectangle; when nothing was ever saved only the style and the top-most
// state change. The saved rectangle is one for the whole process, overwritten
// by every switch on.
void setWindowFullScreen(HWND window, bool on);
