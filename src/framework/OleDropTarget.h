#pragma once
#include <ole2.h>
#include <windows.h>

#include "tbx/ComObject.h"
#include "tbx/ComPtr.h"

namespace fw {

// An OLE drop target registered for one window. The owner keeps the object
// alive while it is registered (Revoke, or the destructor, ends that); the
// reference count only tracks OLE's references. Revoking also disconnects
// the object from COM, so that a drag source in another process that still
// holds it gets a failed call instead of reaching an object that may be gone;
// a caller that still reaches it (one in the same apartment) is refused with
// E_UNEXPECTED until it is registered again. Exceptions from the handlers
// never reach OLE: a throwing handler refuses the drag, answers E_UNEXPECTED
// and is traced.
class OleDropTarget : public tbx::ComObject<IDropTarget> {
public:
    OleDropTarget() = default;
    ~OleDropTarget() override;

    bool Register(HWND window);
    void Revoke();
    HWND window() const { return window_; }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

protected:
    // The effect offered; the defaults offer none.
    virtual DWORD OnDragEnter(IDataObject* data, DWORD keys, POINT point) { return DROPEFFECT_NONE; }
    virtual DWORD OnDragOver(IDataObject* data, DWORD keys, POINT point) { return DROPEFFECT_NONE; }
    virtual void OnDragLeave() {}
    // True when the drop delivered something.
    virtual bool OnDrop(IDataObject* data, DWORD effect, POINT point) { return false; }
    void lastReleased() override {}

private:
    HWND window_ = nullptr;
    bool revoked_ = false;
    tbx::ComPtr<IDataObject> dragging_;  // the data of the drag in progress
};

}  // namespace fw
