// ole_test_server.exe: the automation server that the automation tests drive.
// A COM local server for kOleTestServerClsid whose objects answer one
// property per kind of value the host converts, a property that keeps what
// is put, a method that shows the order of its parameters, and the count of
// the server's live objects. The process ends when its last object goes.
#include <ole2.h>
#include <windows.h>

#include <string>

#include "OleTestServer.h"

namespace {

DWORD mainThread = 0;
LONG liveObjects = 0;
DWORD classCookie = 0;

enum Member : DISPID {
    kInt = 1,
    kFloat,
    kUnsigned,
    kBigUnsigned,
    kDouble,
    kDate,
    kText,
    kNullText,
    kFlag,
    kNothing,
    kChild,
    kSelf,
    kNoObject,
    kValue,
    kValueType,
    kObjects,
    kProcessId,
    kDescribe,
    kFail,
};

struct MemberName {
    const wchar_t* name;
    DISPID id;
};

const MemberName kMembers[] = {
    {L"Int", kInt},
    {L"Float", kFloat},
    {L"Unsigned", kUnsigned},
    {L"BigUnsigned", kBigUnsigned},
    {L"Double", kDouble},
    {L"Date", kDate},
    {L"Text", kText},
    {L"NullText", kNullText},
    {L"Flag", kFlag},
    {L"Nothing", kNothing},
    {L"Child", kChild},
    {L"Self", kSelf},
    {L"NoObject", kNoObject},
    {L"Value", kValue},
    {L"ValueType", kValueType},
    {L"Objects", kObjects},
    {L"ProcessId", kProcessId},
    {L"Describe", kDescribe},
    {L"Fail", kFail},
};

void objectGone() {
    // The last object ends the server; no new client may reach it meanwhile.
    if (InterlockedDecrement(&liveObjects) == 0) {
        if (classCookie) CoRevokeClassObject(classCookie);
        classCookie = 0;
        PostThreadMessageW(mainThread, WM_QUIT, 0, 0);
    }
}

std::wstring textOf(VARIANT& value) {
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR))) return L"?";
    std::wstring out = V_BSTR(&text) ? V_BSTR(&text) : L"";
    VariantClear(&text);
    return out;
}

class TestObject final : public IDispatch {
public:
    TestObject() { InterlockedIncrement(&liveObjects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
            objectGone();
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count != 1) return DISP_E_UNKNOWNNAME;
        for (const MemberName& member : kMembers) {
            if (lstrcmpiW(member.name, names[0]) == 0) {
                ids[0] = member.id;
                return S_OK;
            }
        }
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        VARIANT ignored;
        VariantInit(&ignored);
        if (!result) result = &ignored;
        VariantInit(result);
        HRESULT hr = (flags & DISPATCH_PROPERTYPUT) ? put(id, params) : get(id, params, *result);
        VariantClear(&ignored);
        return hr;
    }

private:
    ~TestObject() { VariantClear(&value_); }

    HRESULT put(DISPID id, DISPPARAMS* params) {
        if (params->cArgs != 1 || params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_BADPARAMCOUNT;
        if (id == kValue) {
            VariantClear(&value_);
            return VariantCopy(&value_, &params->rgvarg[0]);
        }
        if (id == kText) {
            text_ = textOf(params->rgvarg[0]);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT get(DISPID id, DISPPARAMS* params, VARIANT& out) {
        switch (id) {
            case kInt:
                V_VT(&out) = VT_I4;
                V_I4(&out) = -123456;
                return S_OK;
            case kFloat:
                V_VT(&out) = VT_R4;
                V_R4(&out) = 2.75f;
                return S_OK;
            case kUnsigned:
                V_VT(&out) = VT_UI4;
                V_UI4(&out) = 7;
                return S_OK;
            case kBigUnsigned:
                V_VT(&out) = VT_UI4;
                V_UI4(&out) = 4000000000u;
                return S_OK;
            case kDouble:
                V_VT(&out) = VT_R8;
                V_R8(&out) = 1.5;
                return S_OK;
            case kDate:
                V_VT(&out) = VT_DATE;
                V_DATE(&out) = 40000.0;
                return S_OK;
            case kText:
                V_VT(&out) = VT_BSTR;
                V_BSTR(&out) = SysAllocString(text_.c_str());
                return S_OK;
            case kNullText:
                V_VT(&out) = VT_BSTR;
                V_BSTR(&out) = nullptr;
                return S_OK;
            case kFlag:
                V_VT(&out) = VT_BOOL;
                V_BOOL(&out) = VARIANT_TRUE;
                return S_OK;
            case kNothing:
                return S_OK;
            case kChild:
                V_VT(&out) = VT_DISPATCH;
                V_DISPATCH(&out) = new TestObject;
                return S_OK;
            case kSelf:
                V_VT(&out) = VT_DISPATCH;
                V_DISPATCH(&out) = this;
                AddRef();
                return S_OK;
            case kNoObject:
                V_VT(&out) = VT_DISPATCH;
                V_DISPATCH(&out) = nullptr;
                return S_OK;
            case kValue:
                return VariantCopy(&out, &value_);
            case kValueType:
                V_VT(&out) = VT_I4;
                V_I4(&out) = V_VT(&value_);
                return S_OK;
            case kObjects:
                V_VT(&out) = VT_I4;
                V_I4(&out) = liveObjects;
                return S_OK;
            case kProcessId:
                V_VT(&out) = VT_I4;
                V_I4(&out) = static_cast<LONG>(GetCurrentProcessId());
                return S_OK;
            case kDescribe: {
                // Parameters arrive last first: rgvarg[cArgs - 1] is the first.
                std::wstring text = L"count=" + std::to_wstring(params->cArgs);
                for (UINT i = 0; i < params->cArgs; ++i)
                    text += L" " + std::to_wstring(i + 1) + L"=" + textOf(params->rgvarg[params->cArgs - 1 - i]);
                V_VT(&out) = VT_BSTR;
                V_BSTR(&out) = SysAllocString(text.c_str());
                return S_OK;
            }
            case kFail:
                return E_FAIL;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

    LONG references_ = 1;
    std::wstring text_ = L"日本語のテキスト";
    VARIANT value_ = {};
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new TestObject;
        HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

int main() {
    mainThread = GetCurrentThreadId();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    static Factory factory;
    if (FAILED(CoRegisterClassObject(movara_test::kOleTestServerClsid, &factory, CLSCTX_LOCAL_SERVER,
                                     REGCLS_MULTIPLEUSE, &classCookie)))
        return 2;
    // A server that nobody connects to does not stay for ever.
    SetTimer(nullptr, 0, 60000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && liveObjects == 0) break;
        DispatchMessageW(&msg);
    }
    if (classCookie) CoRevokeClassObject(classCookie);
    CoUninitialize();
    return 0;
}
