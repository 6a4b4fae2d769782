#pragma once
#include <windows.h>

#include <string>

class MvGpImageConverter;

// Saves what the screen shows in the window's rectangle (any window that
// covers it included) as a PNG file, whatever the path's extension. Throws
// MvException when the picture cannot be taken, MvGpException when it cannot
// be saved.
void saveScreenAreaAsPng(HWND window, const std::string& path, const MvGpImageConverter& encoders);
