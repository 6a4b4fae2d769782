#pragma once
#include <ole2.h>
#include <windows.h>

#include "tbx/ComPtr.h"

// One ActiveX host window placed for the movie and its control's in-place
// active object (null when the control has none). Destroying the entry
// destroys the window, if it still exists, and releases the interface.
struct MvAxWinInfo {
    MvAxWinInfo(HWND hostWindow, tbx::ComPtr<IOleInPlaceActiveObject> activeObject)
        : window(hostWindow), inPlaceObject(std::move(activeObject)) {}
    virtual ~MvAxWinInfo();
    MvAxWinInfo(const MvAxWinInfo&) = delete;
    MvAxWinInfo& operator=(const MvAxWinInfo&) = delete;

    bool exists() const { return window && IsWindow(window); }

    HWND window = nullptr;
    tbx::ComPtr<IOleInPlaceActiveObject> inPlaceObject;
};
