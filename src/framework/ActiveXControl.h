#pragma once
#include <oaidl.h>
#include <ocidl.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tbx/ComVariant.h"

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
    IUnknown* unknown() const { return dispatch_.get(); }

    DISPID dispIdOf(const std::string& name) const;
    // args in natural order.
    tbx::Variant invoke(DISPID id, WORD flags, std::vector<tbx::Variant> args) const;
    tbx::Variant getProperty(DISPID id) const { return invoke(id, DISPATCH_PROPERTYGET, {}); }
    void setProperty(DISPID id, tbx::Variant value) const;
    std::string getString(DISPID id) const { return getProperty(id).toAnsi(); }
    void setString(DISPID id, const std::string& text) const { setProperty(id, tbx::Variant::fromAnsi(text)); }
    // A method with one string argument answering a string.
    std::string callString(DISPID id, const std::string& argument) const;

private:
    AxWindow host_;
    tbx::ComPtr<IDispatch> dispatch_;
    tbx::ComPtr<IConnectionPoint> connectionPoint_;
    tbx::ComPtr<EventSink> sink_;
    DWORD cookie_ = 0;
};

}  // namespace fw
