#pragma once
#include <oaidl.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tbx/ComVariant.h"

namespace fw {

// Automation calls on one object's IDispatch, by dispatch ID or member name.
// Arguments are in natural order; names are ANSI text. Every failure throws
// AutomationException carrying the object's own description, or a text with
// the failing HRESULT.
class DispatchCaller {
public:
    explicit DispatchCaller(IDispatch* object) : object_(object) {}

    DISPID idOf(const std::string& name) const;
    DISPID idOf(const char16_t* name) const;

    tbx::Variant invoke(DISPID id, WORD flags, const std::vector<tbx::Variant>& arguments = {}) const;
    tbx::Variant call(DISPID id, const std::vector<tbx::Variant>& arguments = {}) const {
        return invoke(id, DISPATCH_METHOD, arguments);
    }
    tbx::Variant get(DISPID id, const std::vector<tbx::Variant>& arguments = {}) const {
        return invoke(id, DISPATCH_PROPERTYGET, arguments);
    }
    void put(DISPID id, tbx::Variant value) const;

    tbx::Variant call(const std::string& name, const std::vector<tbx::Variant>& arguments = {}) const {
        return call(idOf(name), arguments);
    }
    tbx::Variant get(const std::string& name) const { return get(idOf(name)); }
    void put(const std::string& name, tbx::Variant value) const { put(idOf(name), std::move(value)); }

private:
    IDispatch* object_;
};

// The arguments of one call, in natural order.
template <typename... Values>
std::vector<tbx::Variant> variants(Values&&... values) {
    std::vector<tbx::Variant> out;
    out.reserve(sizeof...(values));
    (out.push_back(std::forward<Values>(values)), ...);
    return out;
}

}  // namespace fw
