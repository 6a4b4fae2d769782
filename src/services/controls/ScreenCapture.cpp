#include "services/controls/ScreenCapture.h"

#include "tbx/MvException.h"
#include "imaging/MvGpImageConverter.h"
#include "tbx/Handles.h"

void saveScreenAreaAsPng(HWND window, const std::string& path, const MvGpImageConverter& encoders) {
    RECT area;
    if (!GetWindowRect(window, &area)) throw MvException("対象ウィンドウが正しくありません。");
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    tbx::WindowDC screen(nullptr);
    tbx::MemoryDC memory(CreateCompatibleDC(screen.get()));
    // A window without area has no picture: GDI would make a 1 x 1 one.
    tbx::GdiObject bitmap(width > 0 && height > 0 ? CreateCompatibleBitmap(screen.get(), width, height) : nullptr);
    if (!memory || !bitmap) throw MvException("画面を取り込む事が出来ませんでした。");
    {
        tbx::SelectedObject selected(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
    }
    encoders.saveBitmap(static_cast<HBITMAP>(bitmap.get()), path, ".png");
}
