#include "bridge/host/CShockwaveflash1.h"

#include "framework/AutomationException.h"
#include "framework/DispatchCaller.h"
#include "tbx/ComVariant.h"
#include "tbx/TextConversion.h"

namespace {

const DISPID kMovie = 102;
const DISPID kQuality2 = 141;
const DISPID kFlashVars = 170;
const DISPID kCallFunction = 198;
const DISPID kSetReturnValue = 199;

tbx::Variant stringVariant(const std::string& text, const char* operation) {
    tbx::Variant value = tbx::Variant::fromAnsi(text);
    if (V_BSTR(value.get()) == nullptr) throw FlashExDispatchException(E_OUTOFMEMORY, operation);
    return value;
}

std::vector<tbx::Variant> oneString(const std::string& text, const char* operation) {
    std::vector<tbx::Variant> arguments;
    arguments.push_back(stringVariant(text, operation));
    return arguments;
}

std::string narrowString(tbx::Variant variant, const char* operation) {
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

// The player's failures name the operation instead of the control's text.
template <typename Call>
auto onPlayer(IDispatch* control, const char* operation, Call call) {
    if (!control) throw FlashExDispatchException(E_POINTER, operation);
    try {
        return call(fw::DispatchCaller(control));
    } catch (const fw::AutomationException& e) {
        throw FlashExDispatchException(e.result(), operation);
    }
}

}  // namespace

tbx::Variant CShockwaveflash1::invoke(DISPID id, WORD flags, const std::vector<tbx::Variant>& arguments,
                                      const char* operation) {
    return onPlayer(control_.get(), operation,
                    [&](const fw::DispatchCaller& player) { return player.invoke(id, flags, arguments); });
}

DISPID CShockwaveflash1::idOfName(const char16_t* name, const char* operation) {
    return onPlayer(control_.get(), operation, [&](const fw::DispatchCaller& player) { return player.idOf(name); });
}

void CShockwaveflash1::putString(DISPID id, const std::string& text, const char* operation) {
    invoke(id, DISPATCH_PROPERTYPUT, oneString(text, operation), operation);
}

std::string CShockwaveflash1::GetMovie() {
    return narrowString(invoke(kMovie, DISPATCH_PROPERTYGET, {}, "Movie"), "Movie");
}

void CShockwaveflash1::SetMovie(const std::string& movie) { putString(kMovie, movie, "Movie"); }

void CShockwaveflash1::SetFlashVars(const std::string& flashVars) { putString(kFlashVars, flashVars, "FlashVars"); }

void CShockwaveflash1::SetQuality2(const std::string& quality) { putString(kQuality2, quality, "Quality2"); }

std::string CShockwaveflash1::CallFunction(const std::string& request) {
    return narrowString(invoke(kCallFunction, DISPATCH_METHOD, oneString(request, "CallFunction"), "CallFunction"),
                        "CallFunction");
}

void CShockwaveflash1::SetReturnValue(const std::string& returnValue) {
    invoke(kSetReturnValue, DISPATCH_METHOD, oneString(returnValue, "SetReturnValue"), "SetReturnValue");
}

void CShockwaveflash1::SetReturnValue(std::string&& returnValue) {
    std::vector<tbx::Variant> arguments = oneString(returnValue, "SetReturnValue");
    std::string().swap(returnValue);
    invoke(kSetReturnValue, DISPATCH_METHOD, arguments, "SetReturnValue");
}

void CShockwaveflash1::EnforceLocalSecurity() {
    DISPID id = idOfName(u"EnforceLocalSecurity", "EnforceLocalSecurity");
    invoke(id, DISPATCH_METHOD, {}, "EnforceLocalSecurity");
}

void CShockwaveflash1::SetMovieByName(const std::string& movie) {
    putString(idOfName(u"Movie", "Movie"), movie, "Movie");
}

void CShockwaveflash1::PutSetting(const PlayerSetting& setting) {
    std::string operation = wideToMultiByte(setting.name, CP_ACP);
    DISPID id = idOfName(setting.name, operation.c_str());
    std::vector<tbx::Variant> value;
    value.push_back(setting.text ? stringVariant(setting.text, operation.c_str()) : tbx::Variant::fromBool(true));
    try {
        invoke(id, DISPATCH_PROPERTYPUT, value, operation.c_str());
    } catch (const FlashExDispatchException& e) {
        if (e.result() != DISP_E_TYPEMISMATCH || setting.number < 0) throw;
        std::vector<tbx::Variant> number;
        number.push_back(tbx::Variant::fromInt(setting.number));
        invoke(id, DISPATCH_PROPERTYPUT, number, operation.c_str());
    }
}
