#pragma once
#include <oaidl.h>
#include <windows.h>

#include <string>

#include "tbx/ComPtr.h"

namespace fw {

// Where and how a host window is made; the numbers are used as given (a
// child window needs WS_CHILD in style).
struct AxPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0;
};

// A window of the ActiveX host class (AtlAx::windowClass()) and the control
// it made from its text: a ProgID, a "{CLSID}", or a path or URL. A text that
// names no control still makes a window, one without control or host, so
// callers check control(). The window is destroyed with this object unless
// it is already gone (its parent took it along).
class AxWindow {
public:
    AxWindow() = default;
    // A null window when neither ATL library loads or the window cannot be made.
    AxWindow(HWND parent, const std::string& controlText, const AxPlacement& placement);
    ~AxWindow() { destroy(); }
    AxWindow(AxWindow&& other) noexcept;
    AxWindow& operator=(AxWindow&& other) noexcept;
    AxWindow(const AxWindow&) = delete;
    AxWindow& operator=(const AxWindow&) = delete;

    HWND window() const { return window_; }
    bool exists() const { return window_ && IsWindow(window_); }
    // The control's own window inside the host window.
    HWND controlWindow() const { return window_ ? GetWindow(window_, GW_CHILD) : nullptr; }
    // Null when the window is gone or hosts nothing.
    tbx::ComPtr<IUnknown> control() const;
    tbx::ComPtr<IDispatch> dispatch() const { return control().query<IDispatch>(IID_IDispatch); }
    tbx::ComPtr<IUnknown> host() const;

    // Sends WM_PAINT/WM_ERASEBKGND that carry a device context on to the
    // control's window: the host window ignores them, so nothing would be
    // painted into that context.
    void forwardPaintToControl();
    void destroy();

private:
    HWND window_ = nullptr;
};

}  // namespace fw
