#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace tbx {

// An owned BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::u16string& text);
    // Narrow text in the ANSI code page.
    static Bstr fromAnsi(const std::string& text);
    ~Bstr() { SysFreeString(value_); }
    Bstr(Bstr&& other) noexcept : value_(other.value_) { other.value_ = nullptr; }
    Bstr& operator=(Bstr&& other) noexcept;
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return value_; }
    BSTR detach();

private:
    BSTR value_ = nullptr;
};

// An owned VARIANT, cleared on destruction.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    static Variant fromAnsi(const std::string& text);
    static Variant fromWide(const std::u16string& text);
    static Variant fromInt(int value);
    static Variant fromBool(bool value);

    VARIANT* get() { return &value_; }
    const VARIANT* get() const { return &value_; }
    VARTYPE type() const { return V_VT(&value_); }
    // The value as text in the ANSI code page or as UTF-16 (converted when it
    // is not a string); empty for empty and null.
    std::string toAnsi() const;
    std::u16string toWide() const;

private:
    VARIANT value_;
};

}  // namespace tbx
