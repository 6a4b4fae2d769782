// movara_screenshot: saves what the screen shows of Movara's window as PNG.
//   movara_screenshot OUTPUT.png [--screen]
// Without --screen it captures the first visible main window of Movara (a
// dialog holding the player control 1002), or fails when there is none.
#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tbx/Handles.h"
#include "tbx/TextConversion.h"

namespace {

// The PNG encoder of GDI+.
const CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

BOOL CALLBACK findMainWindow(HWND window, LPARAM found) {
    char className[16] = "";
    GetClassNameA(window, className, sizeof(className));
    if (strcmp(className, "#32770") != 0 || !IsWindowVisible(window) || !GetDlgItem(window, 1002)) return TRUE;
    // The rasteriser's hidden dialog holds a player too; it is a tool window.
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

bool savePng(HBITMAP bitmap, const std::string& path) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    bool saved = false;
    Gdiplus::GpBitmap* image = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == Gdiplus::Ok) {
        std::u16string widePath = multiByteToWide(path, CP_ACP);
        saved = Gdiplus::DllExports::GdipSaveImageToFile(image, reinterpret_cast<const WCHAR*>(widePath.c_str()),
                                                         &kPngEncoder, nullptr) == Gdiplus::Ok;
        Gdiplus::DllExports::GdipDisposeImage(image);
    }
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: movara_screenshot OUTPUT.png [--screen]\n");
        return 2;
    }
    std::string output = argv[1];
    bool wholeScreen = argc > 2 && strcmp(argv[2], "--screen") == 0;

    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!wholeScreen) {
        HWND window = nullptr;
        EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&window));
        if (!window) {
            fprintf(stderr, "movara_screenshot: no Movara window is showing\n");
            return 1;
        }
        GetWindowRect(window, &area);
    }
    int width = area.right - area.left, height = area.bottom - area.top;

    tbx::WindowDC screen(nullptr);
    tbx::MemoryDC memory(CreateCompatibleDC(screen.get()));
    tbx::GdiObject bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    {
        tbx::SelectedObject selected(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
    }
    if (!savePng(static_cast<HBITMAP>(bitmap.get()), output)) {
        fprintf(stderr, "movara_screenshot: cannot write %s\n", output.c_str());
        return 1;
    }
    printf("movara_screenshot: %d x %d pixels saved to %s\n", width, height, output.c_str());
    return 0;
}
