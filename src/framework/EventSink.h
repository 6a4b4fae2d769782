#pragma once
#include <oaidl.h>
#include <windows.h>

#include "tbx/ComObject.h"

namespace fw {

// Receives the events of a hosted control: called on the control's thread
// with the arguments in DISPPARAMS order (reversed).
class EventReceiver {
public:
    virtual ~EventReceiver() = default;
    virtual void onControlEvent(int controlId, DISPID id, DISPPARAMS* params, VARIANT* result) = 0;
};

// The IDispatch that a control's connection point calls. It answers
// QueryInterface for the event dispinterface as well as IUnknown/IDispatch,
// and forwards each call to its receiver until detach().
class EventSink : public tbx::ComObject<IDispatch> {
public:
    EventSink(EventReceiver* receiver, int controlId, const IID& eventIid);
    void detach() { receiver_ = nullptr; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override;

private:
    ~EventSink() override = default;
    void* queryOther(REFIID iid) override;

    EventReceiver* receiver_;
    int controlId_;
    IID eventIid_;
};

}  // namespace fw
