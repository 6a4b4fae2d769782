#pragma once
#include <windows.h>

#include <string>

class MvGpImageConverter;

// Saves the picture that an ActiveX host window's control paints of itself,
// as far as it lies inside the windows that hold it, as a PNG file whatever
// the path's extension. Nothing of other windows can show: the control
// paints into the picture, the screen is never read. Throws MvException
// "コントロールがウィンドウの中に見えていないため、取り込めません。" when
// the control is hidden or lies outside its windows, MvException when the
// picture cannot be made, MvGpException when it cannot be saved.
void saveControlPictureAsPng(HWND hostWindow, const std::string& path, const MvGpImageConverter& encoders);
