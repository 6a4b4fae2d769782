#include "CShockwaveflash1.h"

#include "tbx/TextConversion.h"

namespace {

const DISPID kMovie = 102;
const DISPID kQuality2 = 141;
const DISPID kFlashVars = 170;
const DISPID kCallFunction = 198;
const DISPID kSetReturnValue = 199;

// A VARIANT that is cleared when it goes out of scope.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&value); }
    ~ScopedVariant() { VariantClear(&value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT value;
};

void setString(ScopedVariant& target, const std::string& text, const char* operation) {
    std::u16string wide = multiByteToWide(text, CP_ACP);
    BSTR bstr = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()), static_cast<UINT>(wide.size()));
    if (bstr == nullptr) throw FlashExDispatchException(E_OUTOFMEMORY, operation);
    V_VT(&target.value) = VT_BSTR;
    V_BSTR(&target.value) = bstr;
}

std::string narrowString(ScopedVariant& result, const char* operation) {
    if (V_VT(&result.value) == VT_EMPTY || V_VT(&result.value) == VT_NULL) return {};
    if (V_VT(&result.value) != VT_BSTR) {
        HRESULT hr = VariantChangeType(&result.value, &result.value, 0, VT_BSTR);
        if (FAILED(hr)) throw FlashExDispatchException(hr, operation);
    }
    BSTR text = V_BSTR(&result.value);
    if (text == nullptr) return {};
    return wideToMultiByte(std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text)), CP_ACP);
}

}  // namespace

void CShockwaveflash1::invoke(DISPID id, WORD flags, VARIANT* argument, VARIANT* result, const char* operation) {
    if (!control_) throw FlashExDispatchException(E_POINTER, operation);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters = {};
    if (argument) {
        parameters.rgvarg = argument;
        parameters.cArgs = 1;
    }
    if (flags & DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    HRESULT hr =
        control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result, &exception, &argumentError);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr)) throw FlashExDispatchException(hr, operation);
}

DISPID CShockwaveflash1::idOfName(const char16_t* name, const char* operation) {
    if (!control_) throw FlashExDispatchException(E_POINTER, operation);
    LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(const_cast<char16_t*>(name))};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = control_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) throw FlashExDispatchException(hr, operation);
    return id;
}

void CShockwaveflash1::putString(DISPID id, const std::string& text, const char* operation) {
    ScopedVariant argument;
    setString(argument, text, operation);
    invoke(id, DISPATCH_PROPERTYPUT, &argument.value, nullptr, operation);
}

std::string CShockwaveflash1::GetMovie() {
    ScopedVariant result;
    invoke(kMovie, DISPATCH_PROPERTYGET, nullptr, &result.value, "Movie");
    return narrowString(result, "Movie");
}

void CShockwaveflash1::SetMovie(const std::string& movie) { putString(kMovie, movie, "Movie"); }

void CShockwaveflash1::SetFlashVars(const std::string& flashVars) { putString(kFlashVars, flashVars, "FlashVars"); }

void CShockwaveflash1::SetQuality2(const std::string& quality) { putString(kQuality2, quality, "Quality2"); }

std::string CShockwaveflash1::CallFunction(const std::string& request) {
    ScopedVariant argument;
    setString(argument, request, "CallFunction");
    ScopedVariant result;
    invoke(kCallFunction, DISPATCH_METHOD, &argument.value, &result.value, "CallFunction");
    return narrowString(result, "CallFunction");
}

void CShockwaveflash1::SetReturnValue(const std::string& returnValue) {
    ScopedVariant argument;
    setString(argument, returnValue, "SetReturnValue");
    invoke(kSetReturnValue, DISPATCH_METHOD, &argument.value, nullptr, "SetReturnValue");
}

void CShockwaveflash1::EnforceLocalSecurity() {
    DISPID id = idOfName(u"EnforceLocalSecurity", "EnforceLocalSecurity");
    invoke(id, DISPATCH_METHOD, nullptr, nullptr, "EnforceLocalSecurity");
}

void CShockwaveflash1::SetMovieByName(const std::string& movie) {
    putString(idOfName(u"Movie", "Movie"), movie, "Movie");
}
