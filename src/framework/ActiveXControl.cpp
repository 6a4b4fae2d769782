#include "framework/ActiveXControl.h"

#include <ocidl.h>

#include <stdexcept>

#include "framework/AtlAx.h"
#include "framework/DispatchCaller.h"
#include "tbx/TextConversion.h"

namespace fw {

namespace {

const char* const kOriginalProc = "MovaraAxHostProc";

// The host window ignores WM_PAINT/WM_ERASEBKGND carrying a device context;
// the control's own window must get them to paint into that context.
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

void ActiveXControl::create(HWND parent, int id, const RECT& rect, DWORD style, const std::string& classText) {
    destroy();
    if (!AtlAx::initialize()) throw std::runtime_error("atl80.dll is not available");
    host_ = CreateWindowExA(0, AtlAx::windowClass(), classText.c_str(), style | WS_CHILD, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (!host_) throw std::runtime_error("cannot create the ActiveX host window");
    // A wrong class still gives an empty host window: only the control counts.
    unknown_ = tbx::ComPtr<IUnknown>::attach(AtlAx::getControl(host_));
    if (unknown_) dispatch_ = unknown_.query<IDispatch>(IID_IDispatch);
    if (!dispatch_) {
        destroy();
        throw std::runtime_error("cannot create the ActiveX control " + classText);
    }
    SetPropA(host_, kOriginalProc, reinterpret_cast<HANDLE>(GetWindowLongPtrW(host_, GWLP_WNDPROC)));
    SetWindowLongPtrW(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(forwardPaintProc));
}

void ActiveXControl::advise(const IID& eventIid, EventReceiver* receiver) {
    auto container = unknown_.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!container) throw std::runtime_error("the control raises no events");
    tbx::ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(eventIid, point.put())))
        throw std::runtime_error("the control has no such event interface");
    auto sink = tbx::ComPtr<EventSink>::attach(new EventSink(receiver, GetDlgCtrlID(host_), eventIid));
    DWORD cookie = 0;
    if (FAILED(point->Advise(sink.get(), &cookie)))
        throw std::runtime_error("cannot subscribe to the control's events");
    connectionPoint_ = std::move(point);
    sink_ = std::move(sink);
    cookie_ = cookie;
}

void ActiveXControl::destroy() {
    // Events stop before the control goes: Unadvise first, then release.
    if (connectionPoint_) {
        connectionPoint_->Unadvise(cookie_);
        connectionPoint_.reset();
    }
    if (sink_) {
        sink_->detach();
        sink_.reset();
    }
    dispatch_.reset();
    unknown_.reset();
    if (host_) {
        if (IsWindow(host_)) DestroyWindow(host_);
        host_ = nullptr;
    }
}

DISPID ActiveXControl::dispIdOf(const std::string& name) const { return DispatchCaller(dispatch_.get()).idOf(name); }

tbx::Variant ActiveXControl::invoke(DISPID id, WORD flags, std::vector<tbx::Variant> args) const {
    return DispatchCaller(dispatch_.get()).invoke(id, flags, args);
}

void ActiveXControl::setProperty(DISPID id, tbx::Variant value) const {
    DispatchCaller(dispatch_.get()).put(id, std::move(value));
}

std::string ActiveXControl::callString(DISPID id, const std::string& argument) const {
    std::vector<tbx::Variant> args;
    args.push_back(tbx::Variant::fromAnsi(argument));
    return invoke(id, DISPATCH_METHOD, std::move(args)).toAnsi();
}

}  // namespace fw
