#include "services/shell/FullScreenWindow.h"

namespace {

const LONG_PTR kFrameStyle = WS_CAPTION | WS_THICKFRAME;

// The frame as it was when full screen was last switched on; all zero before.
RECT savedRect = {0, 0, 0, 0};

void changeFrameStyle(HWND window, bool framed) {
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    SetWindowLongPtrA(window, GWL_STYLE, framed ? style | kFrameStyle : style & ~kFrameStyle);
}

}  // namespace

void setWindowFullScreen(HWND window, bool on) {
    // The style changes first, so that the placement below lays the client
    // area out for the new frame (SWP_FRAMECHANGED).
    if (on) {
        ShowWindow(window, SW_SHOWNORMAL);
        GetWindowRect(window, &savedRect);
        changeFrameStyle(window, false);
        SetWindowPos(window, HWND_TOPMOST, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     SWP_FRAMECHANGED);
        return;
    }
    changeFrameStyle(window, true);
    if (savedRect.left == 0 && savedRect.right == 0) {
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
    } else {
        SetWindowPos(window, HWND_NOTOPMOST, savedRect.left, savedRect.top, savedRect.right - savedRect.left,
                     savedRect.bottom - savedRect.top, SWP_FRAMECHANGED);
    }
}
