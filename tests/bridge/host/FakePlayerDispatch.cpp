#include "FakePlayerDispatch.h"

#include "tbx/TextConversion.h"

std::string narrowText(const std::u16string& text) { return wideToMultiByte(text, CP_ACP); }
std::u16string wideText(const std::string& text) { return multiByteToWide(text, CP_ACP); }

std::u16string FakePlayerDispatch::lastReturnValue() const {
    for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
        if (call->id == 199) return call->text;
    }
    return u"(none)";
}

int FakePlayerDispatch::returnValueCount() const {
    int count = 0;
    for (const Call& call : calls) count += call.id == 199;
    return count;
}

std::vector<FakePlayerDispatch::Call> FakePlayerDispatch::putsOf(const std::u16string& name) const {
    std::vector<Call> puts;
    auto found = settingIds.find(name);
    if (found == settingIds.end()) return puts;
    for (const Call& call : calls)
        if (call.id == found->second && (call.flags & DISPATCH_PROPERTYPUT)) puts.push_back(call);
    return puts;
}

HRESULT FakePlayerDispatch::QueryInterface(REFIID iid, void** out) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakePlayerDispatch::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT FakePlayerDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    std::u16string name(reinterpret_cast<const char16_t*>(names[0]));
    if (name == u"Movie") {
        ids[0] = 102;
    } else if (name == u"EnforceLocalSecurity") {
        ids[0] = 1001;
    } else if (settingIds.count(name)) {
        ids[0] = settingIds.at(name);
    } else {
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    return S_OK;
}

HRESULT FakePlayerDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                   EXCEPINFO*, UINT*) {
    Call call{id, flags, false, {}, {}};
    call.namedPut = parameters->cNamedArgs == 1 && parameters->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
    for (UINT i = 0; i < parameters->cArgs; ++i) {
        VARIANT& argument = parameters->rgvarg[i];
        call.types.push_back(V_VT(&argument));
        if (V_VT(&argument) == VT_BSTR)
            call.text.assign(reinterpret_cast<const char16_t*>(V_BSTR(&argument)), SysStringLen(V_BSTR(&argument)));
        if (V_VT(&argument) == VT_I4) call.number = V_I4(&argument);
        if (V_VT(&argument) == VT_BOOL) call.number = V_BOOL(&argument);
    }
    calls.push_back(call);
    if (failure != S_OK) return failure;
    bool textPut = (flags & DISPATCH_PROPERTYPUT) && call.types == std::vector<VARTYPE>{VT_BSTR};
    if (textPut && numericSettings.count(id)) return DISP_E_TYPEMISMATCH;
    std::u16string answer;
    if (id == 198) {
        answer = onCallFunction(call.text);
    } else if (id == 102 && (flags & DISPATCH_PROPERTYGET)) {
        answer = movie;
    } else {
        return S_OK;
    }
    if (result) {
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(answer.data()), answer.size());
    }
    return S_OK;
}
