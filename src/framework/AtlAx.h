#pragma once
#include <windows.h>
#include <unknwn.h>

namespace fw {

// The ActiveX host window of the platform's template library, reached
// through the library loaded at run time (Wine ships the DLLs but not the C++
// headers): atl80.dll ("AtlAxWin80", the Visual C++ 2005 runtime) where it is
// installed, otherwise the system's own atl.dll ("AtlAxWin"), which every
// Windows has.
class AtlAx {
public:
    // Loads the library once per process and registers the host window
    // class. False when neither library offers the functions.
    static bool initialize();
    // The control hosted by an AtlAxWin80 window (a reference the caller
    // releases), or null when the window hosts nothing.
    static IUnknown* getControl(HWND hostWindow);
    // The ActiveX host object of an AtlAxWin80 window (a reference the caller
    // releases), or null when the window is none.
    static IUnknown* getHost(HWND hostWindow);
    // "AtlAxWin80", or "AtlAxWin" when only atl.dll could be loaded.
    static const char* windowClass();
};

}  // namespace fw
