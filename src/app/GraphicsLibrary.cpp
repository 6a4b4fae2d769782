#include "app/GraphicsLibrary.h"

#include <windows.h>
#include <gdiplus.h>

#include <cstdlib>

namespace {

ULONG_PTR graphicsToken = 0;

void stopGraphicsLibrary() {
    if (graphicsToken) Gdiplus::GdiplusShutdown(graphicsToken);
    graphicsToken = 0;
}

}  // namespace

void startGraphicsLibrary() {
    if (graphicsToken) return;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&graphicsToken, &input, nullptr) == Gdiplus::Ok)
        atexit(stopGraphicsLibrary);
    else
        graphicsToken = 0;
}
