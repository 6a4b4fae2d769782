#include "framework/DispatchCaller.h"

#include "framework/AutomationException.h"
#include "tbx/TextConversion.h"

namespace fw {

namespace {

std::string describe(HRESULT result, EXCEPINFO& info) {
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    std::string text;
    if (info.bstrDescription) text = wideToMultiByte(reinterpret_cast<const char16_t*>(info.bstrDescription), CP_ACP);
    if (text.empty()) {
        char buffer[64];
        wsprintfA(buffer, "automation call failed (0x%08lX)", static_cast<unsigned long>(result));
        text = buffer;
    }
    return text;
}

}  // namespace

DISPID DispatchCaller::idOf(const std::string& name) const { return idOf(multiByteToWide(name, CP_ACP).c_str()); }

DISPID DispatchCaller::idOf(const char16_t* name) const {
    if (!object_) throw AutomationException(E_POINTER, "no object");
    LPOLESTR names[1] = {reinterpret_cast<LPOLESTR>(const_cast<char16_t*>(name))};
    DISPID id = DISPID_UNKNOWN;
    HRESULT result = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result)) throw AutomationException(result, "unknown name " + wideToMultiByte(name, CP_ACP));
    return id;
}

tbx::Variant DispatchCaller::invoke(DISPID id, WORD flags, const std::vector<tbx::Variant>& arguments) const {
    if (!object_) throw AutomationException(E_POINTER, "no object");
    // Invoke reads the arguments last first; the copies share the values.
    std::vector<VARIANT> reversed;
    reversed.reserve(arguments.size());
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(*it->get());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    tbx::Variant result;
    EXCEPINFO info = {};
    UINT argError = 0;
    HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, put ? nullptr : result.get(), &info,
                                 &argError);
    std::string description = FAILED(hr) ? describe(hr, info) : std::string();
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    if (FAILED(hr)) throw AutomationException(hr, description);
    return result;
}

void DispatchCaller::put(DISPID id, tbx::Variant value) const {
    std::vector<tbx::Variant> arguments;
    arguments.push_back(std::move(value));
    invoke(id, DISPATCH_PROPERTYPUT, arguments);
}

}  // namespace fw
