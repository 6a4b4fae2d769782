#include "services/controls/ControlPicture.h"

#include "imaging/MvGpImageConverter.h"
#include "tbx/Handles.h"
#include "tbx/MvException.h"

namespace {

// A window's client area in screen coordinates.
RECT clientOnScreen(HWND window) {
    RECT rect = {};
    GetClientRect(window, &rect);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The part of the window's client area that its parents, up to the top-level
// window, show; empty when the window or one of them is hidden.
RECT shownPart(HWND window) {
    RECT shown = {};
    if (!IsWindowVisible(window)) return shown;
    shown = clientOnScreen(window);
    for (HWND inner = window; GetWindowLongPtrA(inner, GWL_STYLE) & WS_CHILD;) {
        inner = GetParent(inner);
        if (!inner) break;
        RECT parent = clientOnScreen(inner);
        IntersectRect(&shown, &shown, &parent);
    }
    return shown;
}

}  // namespace

void saveControlPictureAsPng(HWND hostWindow, const std::string& path, const MvGpImageConverter& encoders) {
    // The control's own window, or the host window for a control without one.
    HWND control = GetWindow(hostWindow, GW_CHILD);
    if (!control) control = hostWindow;
    RECT shown = shownPart(control);
    if (IsRectEmpty(&shown)) throw MvException("コントロールがウィンドウの中に見えていないため、取り込めません。");
    RECT client = clientOnScreen(control);
    int width = shown.right - shown.left;
    int height = shown.bottom - shown.top;
    tbx::WindowDC controlDC(control);
    tbx::MemoryDC memory(CreateCompatibleDC(controlDC.get()));
    tbx::GdiObject bitmap(CreateCompatibleBitmap(controlDC.get(), width, height));
    if (!memory || !bitmap) throw MvException("画面を取り込む事が出来ませんでした。");
    {
        tbx::SelectedObject selected(memory.get(), bitmap.get());
        // The picture's origin is the shown part's corner in the control's client area.
        SetViewportOrgEx(memory.get(), client.left - shown.left, client.top - shown.top, nullptr);
        // As the player paints for the rasteriser: into the context handed over in wParam.
        SendMessageA(control, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.get()), 0);
        SendMessageA(control, WM_PAINT, reinterpret_cast<WPARAM>(memory.get()), 0);
    }
    encoders.saveBitmap(static_cast<HBITMAP>(bitmap.get()), path, ".png");
}
