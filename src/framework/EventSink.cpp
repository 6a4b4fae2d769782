#include "framework/EventSink.h"

#include "tbx/Guards.h"

namespace fw {

EventSink::EventSink(EventReceiver* receiver, int controlId, const IID& eventIid)
    : receiver_(receiver), controlId_(controlId), eventIid_(eventIid) {}

void* EventSink::queryOther(REFIID iid) { return IsEqualIID(iid, eventIid_) ? static_cast<IDispatch*>(this) : nullptr; }

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                            EXCEPINFO*, UINT*) {
    if (!receiver_) return S_OK;
    return tbx::guardComMethod([&] { receiver_->onControlEvent(controlId_, id, params, result); },
                               tbx::traced("control event", E_FAIL));
}

}  // namespace fw
