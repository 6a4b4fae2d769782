#include "framework/OleDropTarget.h"

namespace fw {

namespace {
POINT clientPoint(HWND window, POINTL screen) {
    POINT point = {screen.x, screen.y};
    if (window) ScreenToClient(window, &point);
    return point;
}
}  // namespace

OleDropTarget::~OleDropTarget() { Revoke(); }

bool OleDropTarget::Register(HWND window) {
    Revoke();
    if (FAILED(RegisterDragDrop(window, this))) return false;
    window_ = window;
    return true;
}

void OleDropTarget::Revoke() {
    if (!window_) return;
    RevokeDragDrop(window_);
    window_ = nullptr;
}

HRESULT STDMETHODCALLTYPE OleDropTarget::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        *out = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE OleDropTarget::AddRef() { return InterlockedIncrement(&references_); }
ULONG STDMETHODCALLTYPE OleDropTarget::Release() { return InterlockedDecrement(&references_); }

HRESULT STDMETHODCALLTYPE OleDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    dragging_ = data;
    try {
        *effect &= OnDragEnter(data, keys, clientPoint(window_, point));
    } catch (...) {
        *effect = DROPEFFECT_NONE;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OleDropTarget::DragOver(DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    try {
        *effect &= OnDragOver(dragging_.get(), keys, clientPoint(window_, point));
    } catch (...) {
        *effect = DROPEFFECT_NONE;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OleDropTarget::DragLeave() {
    try {
        OnDragLeave();
    } catch (...) {
    }
    dragging_.reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OleDropTarget::Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    bool delivered = false;
    try {
        delivered = OnDrop(data, *effect, clientPoint(window_, point));
    } catch (...) {
        delivered = false;
    }
    if (!delivered) *effect = DROPEFFECT_NONE;
    dragging_.reset();
    return S_OK;
}

}  // namespace fw
