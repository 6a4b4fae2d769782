#pragma once
#include <windows.h>
#include <unknwn.h>

namespace fw {

// The ActiveX host window of the platform's template library ("AtlAxWin80"),
// reached through atl80.dll loaded at run time: Wine ships the DLL but not
// the C++ headers.
class AtlAx {
public:
    // Loads atl80.dll once per process and registers the host window class.
    // False when the library or its functions are missing.
    static bool initialize();
    // The control hosted by an AtlAxWin80 window (a reference the caller
    // releases), or null when the window hosts nothing.
    static IUnknown* getControl(HWND hostWindow);
    // The ActiveX host object of an AtlAxWin80 window (a reference the caller
    // releases), or null when the window is none.
    static IUnknown* getHost(HWND hostWindow);
    static const char* windowClass() { return "AtlAxWin80"; }
};

}  // namespace fw
