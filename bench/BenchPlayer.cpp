#include "BenchPlayer.h"

HRESULT BenchPlayer::QueryInterface(REFIID iid, void** out) {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *out = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT BenchPlayer::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT BenchPlayer::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*, UINT*) {
    if (parameters && parameters->cArgs > 0 && parameters->rgvarg[0].vt == VT_BSTR)
        lastAnswerLength = SysStringByteLen(parameters->rgvarg[0].bstrVal);
    if (result) VariantInit(result);
    return S_OK;
}
