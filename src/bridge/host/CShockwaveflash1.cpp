#include "bridge/host/CShockwaveflash1.h"

#include "tbx/ComVariant.h"
#include "tbx/TextConversion.h"

namespace {

const DISPID kMovie = 102;
const DISPID kQuality2 = 141;
const DISPID kFlashVars = 170;
const DISPID kCallFunction = 198;
const DISPID kSetReturnValue = 199;

void setString(tbx::Variant& target, const std::string& text, const char* operation) {
    target = tbx::Variant::fromAnsi(text);
    if (V_BSTR(target.get()) == nullptr) throw FlashExDispatchException(E_OUTOFMEMORY, operation);
}

std::string narrowString(tbx::Variant& variant, const char* operation) {
    VARIANT* result = variant.get();
    if (V_VT(result) == VT_EMPTY || V_VT(result) == VT_NULL) return {};
    if (V_VT(result) != VT_BSTR) {
        HRESULT hr = VariantChangeType(result, result, 0, VT_BSTR);
        if (FAILED(hr)) throw FlashExDispatchException(hr, operation);
    }
    BSTR text = V_BSTR(result);
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
    tbx::Variant argument;
    setString(argument, text, operation);
    invoke(id, DISPATCH_PROPERTYPUT, argument.get(), nullptr, operation);
}

std::string CShockwaveflash1::GetMovie() {
    tbx::Variant result;
    invoke(kMovie, DISPATCH_PROPERTYGET, nullptr, result.get(), "Movie");
    return narrowString(result, "Movie");
}

void CShockwaveflash1::SetMovie(const std::string& movie) { putString(kMovie, movie, "Movie"); }

void CShockwaveflash1::SetFlashVars(const std::string& flashVars) { putString(kFlashVars, flashVars, "FlashVars"); }

void CShockwaveflash1::SetQuality2(const std::string& quality) { putString(kQuality2, quality, "Quality2"); }

std::string CShockwaveflash1::CallFunction(const std::string& request) {
    tbx::Variant argument;
    setString(argument, request, "CallFunction");
    tbx::Variant result;
    invoke(kCallFunction, DISPATCH_METHOD, argument.get(), result.get(), "CallFunction");
    return narrowString(result, "CallFunction");
}

void CShockwaveflash1::SetReturnValue(const std::string& returnValue) {
    tbx::Variant argument;
    setString(argument, returnValue, "SetReturnValue");
    invoke(kSetReturnValue, DISPATCH_METHOD, argument.get(), nullptr, "SetReturnValue");
}

void CShockwaveflash1::EnforceLocalSecurity() {
    DISPID id = idOfName(u"EnforceLocalSecurity", "EnforceLocalSecurity");
    invoke(id, DISPATCH_METHOD, nullptr, nullptr, "EnforceLocalSecurity");
}

void CShockwaveflash1::SetMovieByName(const std::string& movie) {
    putString(idOfName(u"Movie", "Movie"), movie, "Movie");
}

void CShockwaveflash1::PutSetting(const PlayerSetting& setting) {
    std::string operation = wideToMultiByte(setting.name, CP_ACP);
    DISPID id = idOfName(setting.name, operation.c_str());
    tbx::Variant value;
    if (setting.text)
        setString(value, setting.text, operation.c_str());
    else
        value = tbx::Variant::fromBool(true);
    try {
        invoke(id, DISPATCH_PROPERTYPUT, value.get(), nullptr, operation.c_str());
    } catch (const FlashExDispatchException& e) {
        if (e.result() != DISP_E_TYPEMISMATCH || setting.number < 0) throw;
        tbx::Variant number = tbx::Variant::fromInt(setting.number);
        invoke(id, DISPATCH_PROPERTYPUT, number.get(), nullptr, operation.c_str());
    }
}
