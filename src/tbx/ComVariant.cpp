#include "tbx/ComVariant.h"

#include <utility>

#include "tbx/TextConversion.h"

namespace tbx {

Bstr::Bstr(const std::u16string& text)
    : value_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()))) {}

Bstr Bstr::fromAnsi(const std::string& text) {
    Bstr converted;
    converted.value_ = multiByteToBstr(text.c_str(), CP_ACP);
    return converted;
}

Bstr& Bstr::operator=(Bstr&& other) noexcept {
    if (this != &other) {
        SysFreeString(value_);
        value_ = std::exchange(other.value_, nullptr);
    }
    return *this;
}

BSTR Bstr::detach() { return std::exchange(value_, nullptr); }

Variant::Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        VariantClear(&value_);
        value_ = other.value_;
        VariantInit(&other.value_);
    }
    return *this;
}

Variant Variant::fromAnsi(const std::string& text) {
    Variant v;
    V_VT(&v.value_) = VT_BSTR;
    V_BSTR(&v.value_) = Bstr::fromAnsi(text).detach();
    return v;
}

Variant Variant::fromWide(const std::u16string& text) {
    Variant v;
    V_VT(&v.value_) = VT_BSTR;
    V_BSTR(&v.value_) = Bstr(text).detach();
    return v;
}

Variant Variant::fromInt(int value) {
    Variant v;
    V_VT(&v.value_) = VT_I4;
    V_I4(&v.value_) = value;
    return v;
}

Variant Variant::fromBool(bool value) {
    Variant v;
    V_VT(&v.value_) = VT_BOOL;
    V_BOOL(&v.value_) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

std::u16string Variant::toWide() const {
    if (V_VT(&value_) == VT_BSTR) {
        const char16_t* text = reinterpret_cast<const char16_t*>(V_BSTR(&value_));
        return text ? std::u16string(text, SysStringLen(V_BSTR(&value_))) : std::u16string();
    }
    if (V_VT(&value_) == VT_EMPTY || V_VT(&value_) == VT_NULL) return {};
    Variant converted;
    if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&value_), 0, VT_BSTR))) return {};
    return converted.toWide();
}

std::string Variant::toAnsi() const { return wideToMultiByte(toWide(), CP_ACP); }

}  // namespace tbx
