#include "framework/ActiveXControl.h"

#include <stdexcept>

#include "framework/AtlAx.h"

namespace fw {

void ActiveXControl::create(HWND parent, int id, const RECT& rect, DWORD style, const std::string& classText) {
    destroy();
    if (!AtlAx::initialize()) throw std::runtime_error("atl80.dll is not available");
    AxPlacement placement{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, style | WS_CHILD, 0, id};
    host_ = AxWindow(parent, classText, placement);
    if (!host_.window()) throw std::runtime_error("cannot create the ActiveX host window");
    dispatch_ = host_.dispatch();
    if (!dispatch_) {
        destroy();
        throw std::runtime_error("cannot create the ActiveX control " + classText);
    }
    host_.forwardPaintToControl();
}

void ActiveXControl::advise(const IID& eventIid, EventReceiver* receiver) {
    auto container = dispatch_.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!container) throw std::runtime_error("the control raises no events");
    tbx::ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(eventIid, point.put())))
        throw std::runtime_error("the control has no such event interface");
    auto sink = tbx::ComPtr<EventSink>::attach(new EventSink(receiver, GetDlgCtrlID(host_.window()), eventIid));
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
    host_.destroy();
}

}  // namespace fw
