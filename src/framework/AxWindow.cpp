#include "framework/AxWindow.h"

#include <utility>

#include "framework/AtlAx.h"

namespace fw {

namespace {

const char* const kOriginalProc = "MovaraAxHostProc";

LRESULT CALLBACK forwardPaintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto original = reinterpret_cast<WNDPROC>(GetPropA(window, kOriginalProc));
    if ((message == WM_PAINT || message == WM_ERASEBKGND) && wParam != 0) {
        if (HWND child = GetWindow(window, GW_CHILD)) return SendMessageW(child, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(window, kOriginalProc);
    }
    return CallWindowProcW(original, window, message, wParam, lParam);
}

}  // namespace

AxWindow::AxWindow(HWND parent, const std::string& controlText, const AxPlacement& placement) {
    // Registers the host window class on the first call of the process.
    if (!AtlAx::initialize()) return;
    window_ = CreateWindowExA(placement.exStyle, AtlAx::windowClass(), controlText.c_str(), placement.style,
                              placement.x, placement.y, placement.width, placement.height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(placement.id)), GetModuleHandleA(nullptr),
                              nullptr);
}

AxWindow::AxWindow(AxWindow&& other) noexcept : window_(std::exchange(other.window_, nullptr)) {}

AxWindow& AxWindow::operator=(AxWindow&& other) noexcept {
    if (this != &other) {
        destroy();
        window_ = std::exchange(other.window_, nullptr);
    }
    return *this;
}

tbx::ComPtr<IUnknown> AxWindow::control() const {
    return tbx::ComPtr<IUnknown>::attach(exists() ? AtlAx::getControl(window_) : nullptr);
}

tbx::ComPtr<IUnknown> AxWindow::host() const {
    return tbx::ComPtr<IUnknown>::attach(exists() ? AtlAx::getHost(window_) : nullptr);
}

void AxWindow::forwardPaintToControl() {
    if (!window_ || GetPropA(window_, kOriginalProc)) return;
    SetPropA(window_, kOriginalProc, reinterpret_cast<HANDLE>(GetWindowLongPtrW(window_, GWLP_WNDPROC)));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(forwardPaintProc));
}

void AxWindow::destroy() {
    if (exists()) DestroyWindow(window_);
    window_ = nullptr;
}

}  // namespace fw
