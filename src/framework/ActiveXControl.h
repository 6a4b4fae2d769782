#pragma once
#include <oaidl.h>
#include <ocidl.h>
#include <windows.h>

#include <string>

#include "framework/AxWindow.h"
#include "framework/EventSink.h"
#include "tbx/ComPtr.h"

namespace fw {

// One ActiveX control in a child host window, with its IDispatch (called
// through DispatchCaller) and an optional event subscription.
class ActiveXControl {
public:
    ActiveXControl() = default;
    ~ActiveXControl() { destroy(); }
    ActiveXControl(const ActiveXControl&) = delete;
    ActiveXControl& operator=(const ActiveXControl&) = delete;

    // Creates the host window as child `id` of parent; classText is a ProgID
    // or a "{CLSID}". Throws std::runtime_error when no control results.
    void create(HWND parent, int id, const RECT& rect, DWORD style, const std::string& classText);
    // Subscribes receiver to the control's connection point for eventIid.
    void advise(const IID& eventIid, EventReceiver* receiver);
    // Unsubscribes, releases the control and destroys the host window.
    void destroy();

    bool exists() const { return dispatch_.get() != nullptr; }
    HWND window() const { return host_.window(); }
    // The control's own window inside the host window.
    HWND controlWindow() const { return host_.controlWindow(); }
    IDispatch* dispatch() const { return dispatch_.get(); }

private:
    AxWindow host_;
    tbx::ComPtr<IDispatch> dispatch_;
    tbx::ComPtr<IConnectionPoint> connectionPoint_;
    tbx::ComPtr<EventSink> sink_;
    DWORD cookie_ = 0;
};

}  // namespace fw
