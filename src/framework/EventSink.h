#pragma once
#include <oaidl.h>
#include <windows.h>

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
class EventSink : public IDispatch {
public:
    EventSink(EventReceiver* receiver, int controlId, const IID& eventIid);
    void detach() { receiver_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override;

private:
    virtual ~EventSink() = default;

    LONG references_ = 1;
    EventReceiver* receiver_;
    int controlId_;
    IID eventIid_;
};

}  // namespace fw
