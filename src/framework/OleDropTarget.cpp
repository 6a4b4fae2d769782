#include "framework/OleDropTarget.h"

#include "tbx/Guards.h"

namespace fw {

namespace {
POINT clientPoint(HWND window, POINTL screen) {
    POINT point = {screen.x, screen.y};
    if (window) ScreenToClient(window, &point);
    return point;
}

// A failing handler refuses the drop: no effect, E_UNEXPECTED, and a trace.
auto refusing(DWORD* effect) {
    return [effect](const CaughtError& error) {
        if (effect) *effect = DROPEFFECT_NONE;
        tbx::traceFailure("drop target", error);
        return E_UNEXPECTED;
    };
}
HRESULT refuseRevoked(DWORD* effect) {
    *effect = DROPEFFECT_NONE;
    return E_UNEXPECTED;
}
}  // namespace

OleDropTarget::~OleDropTarget() { Revoke(); }

bool OleDropTarget::Register(HWND window) {
    Revoke();
    if (FAILED(RegisterDragDrop(window, this))) return false;
    window_ = window;
    revoked_ = false;
    return true;
}

void OleDropTarget::Revoke() {
    if (!window_) return;
    RevokeDragDrop(window_);
    window_ = nullptr;
    revoked_ = true;
    dragging_.reset();
    CoDisconnectObject(static_cast<IDropTarget*>(this), 0);
}

HRESULT STDMETHODCALLTYPE OleDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    if (revoked_) return refuseRevoked(effect);
    dragging_ = data;
    return tbx::guardComMethod([&] { *effect &= OnDragEnter(data, keys, clientPoint(window_, point)); },
                               refusing(effect));
}

HRESULT STDMETHODCALLTYPE OleDropTarget::DragOver(DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    if (revoked_) return refuseRevoked(effect);
    return tbx::guardComMethod([&] { *effect &= OnDragOver(dragging_.get(), keys, clientPoint(window_, point)); },
                               refusing(effect));
}

HRESULT STDMETHODCALLTYPE OleDropTarget::DragLeave() {
    if (revoked_) return E_UNEXPECTED;
    HRESULT result = tbx::guardComMethod([&] { OnDragLeave(); }, refusing(nullptr));
    dragging_.reset();
    return result;
}

HRESULT STDMETHODCALLTYPE OleDropTarget::Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    if (revoked_) return refuseRevoked(effect);
    HRESULT result = tbx::guardComMethod(
        [&] {
            if (!OnDrop(data, *effect, clientPoint(window_, point))) *effect = DROPEFFECT_NONE;
        },
        refusing(effect));
    dragging_.reset();
    return result;
}

}  // namespace fw
