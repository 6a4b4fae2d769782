#pragma once
#include <ole2.h>
#include <windows.h>

#include "framework/AxWindow.h"
#include "tbx/ComPtr.h"

// One ActiveX host window placed for the movie and its control's in-place
// active object (null when the control has none). Destroying the entry
// destroys the window, if it still exists, and releases the interface.
struct MvAxWinInfo {
    MvAxWinInfo(fw::AxWindow window, tbx::ComPtr<IOleInPlaceActiveObject> activeObject)
        : hostWindow(std::move(window)), inPlaceObject(std::move(activeObject)) {}
    virtual ~MvAxWinInfo();
    MvAxWinInfo(const MvAxWinInfo&) = delete;
    MvAxWinInfo& operator=(const MvAxWinInfo&) = delete;

    bool exists() const { return hostWindow.exists(); }
    HWND window() const { return hostWindow.window(); }

    fw::AxWindow hostWindow;
    tbx::ComPtr<IOleInPlaceActiveObject> inPlaceObject;
};
