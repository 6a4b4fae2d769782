#include "bridge/values/FlashExParam.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "tbx/FlashExException.h"
#include "tbx/MvException.h"
#include "tbx/TextConversion.h"
#include "tbx/ComVariant.h"

namespace {

[[noreturn]] void throwTypeError() { throw FlashExException("type error"); }

void appendNumberElement(std::string& out, const char* digits, const char* end) {
    out += "<number>";
    out.append(digits, end);
    out += "</number>";
}

// Truncates toward zero into the 64-bit range; NaN gives 0. The plain cast is
// undefined for values the target cannot hold.
int64_t truncateSaturated(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
    if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
}

// Which bytes start a double-byte character of the ANSI code page: asked of
// the system once, not once a byte of every string written.
const std::array<bool, 256>& ansiLeadBytes() {
    static const std::array<bool, 256> table = [] {
        std::array<bool, 256> lead{};
        for (int b = 0; b < 256; ++b) lead[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
        return lead;
    }();
    return table;
}

}  // namespace

const char* xmlEntityOf(unsigned char c) {
    switch (c) {
        case '"':
            return "&quot;";
        case '&':
            return "&amp;";
        case '\'':
            return "&apos;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        default:
            return nullptr;
    }
}

const FlashExParam& FlashExParam::undefined() {
    struct Sentinel : FlashExParam {};
    static const Sentinel sentinel;
    return sentinel;
}

const FlashExParam* FlashExParam::getProperty(const std::string&) const { throwTypeError(); }
const std::string& FlashExParam::getString() const { throwTypeError(); }
const char* FlashExParam::getCString() const { return getString().c_str(); }
void* FlashExParam::getPointer() const { throwTypeError(); }
int FlashExParam::getInt() const { throwTypeError(); }
unsigned int FlashExParam::getUInt() const { throwTypeError(); }
double FlashExParam::getDouble() const { throwTypeError(); }
float FlashExParam::getFloat() const { throwTypeError(); }
bool FlashExParam::getBool() const { throwTypeError(); }
bool FlashExParam::isUndefined() const { return this == &undefined(); }
void FlashExParam::writeXML(std::string& out) const { out += "<null/>"; }

std::string FlashExParam::toXML() const {
    std::string out;
    out.reserve(xmlSizeHint());
    writeXML(out);
    return out;
}
FlashExParamArray* FlashExParam::asArray() { throwTypeError(); }
const FlashExParamArray* FlashExParam::asArray() const { throwTypeError(); }
FlashExParamObject* FlashExParam::asObject() { throwTypeError(); }
const FlashExParamObject* FlashExParam::asObject() const { throwTypeError(); }

void FlashExParam::toVariant(VARIANT& out) const {
    VariantInit(&out);
    V_VT(&out) = VT_NULL;
}

void FlashExParam::clearVariant(VARIANT&) const {}

void FlashExParamString::writeXML(std::string& out) const {
    out += "<string>";
    appendEscapedXml(out, text_);
    out += "</string>";
}

void FlashExParamString::toVariant(VARIANT& out) const {
    BSTR text = tbx::Bstr::fromAnsi(text_).detach();
    if (text == nullptr) throw MvException("メモリが不足しています。");
    VariantInit(&out);
    V_VT(&out) = VT_BSTR;
    V_BSTR(&out) = text;
}

void FlashExParamString::clearVariant(VARIANT& v) const {
    if (V_VT(&v) == VT_BSTR) SysFreeString(V_BSTR(&v));
    VariantInit(&v);
}

void* FlashExParamInt::getPointer() const { return reinterpret_cast<void*>(static_cast<intptr_t>(value_)); }

void FlashExParamInt::writeXML(std::string& out) const {
    char digits[16];
    auto result = std::to_chars(digits, digits + sizeof digits, value_);
    appendNumberElement(out, digits, result.ptr);
}

void FlashExParamInt::toVariant(VARIANT& out) const {
    VariantInit(&out);
    V_VT(&out) = VT_INT;
    V_INT(&out) = value_;
}

int FlashExParamDouble::getInt() const {
    int64_t wide = truncateSaturated(value_);
    if (wide > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (wide < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(wide);
}

unsigned int FlashExParamDouble::getUInt() const {
    return static_cast<unsigned int>(static_cast<uint64_t>(truncateSaturated(value_)));
}

void FlashExParamDouble::writeXML(std::string& out) const {
    // "%f" would print "inf" or "nan", which the movie reads as NaN and the
    // parser as the integer 0. An infinity is written as a number too large
    // for a double, which both read back as that infinity; NaN has no such
    // spelling, so it is written as the movie's own (the parser reads it as 0).
    if (!std::isfinite(value_)) {
        out += std::isnan(value_) ? "<number>NaN</number>"
               : value_ > 0       ? "<number>1.0e999</number>"
                                  : "<number>-1.0e999</number>";
        return;
    }
    // Fixed-point with six decimals as "%f" prints it, whatever the C locale.
    char digits[400];
    auto result = std::to_chars(digits, digits + sizeof digits, value_, std::chars_format::fixed, 6);
    appendNumberElement(out, digits, result.ptr);
}

void FlashExParamDouble::toVariant(VARIANT& out) const {
    VariantInit(&out);
    V_VT(&out) = VT_R8;
    V_R8(&out) = value_;
}

void FlashExParamBool::writeXML(std::string& out) const { out += value_ ? "<true/>" : "<false/>"; }

void FlashExParamBool::toVariant(VARIANT& out) const {
    VariantInit(&out);
    V_VT(&out) = VT_BOOL;
    V_BOOL(&out) = value_ ? VARIANT_TRUE : VARIANT_FALSE;
}

void FlashExParamPointer::writeXML(std::string& out) const {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, reinterpret_cast<uintptr_t>(pointer_));
    appendNumberElement(out, digits, result.ptr);
}

void FlashExParamPointer::toVariant(VARIANT& out) const {
    VariantInit(&out);
    V_VT(&out) = VT_DISPATCH;
    V_DISPATCH(&out) = static_cast<IDispatch*>(pointer_);
    if (pointer_) V_DISPATCH(&out)->AddRef();
}

void FlashExParamPointer::clearVariant(VARIANT& v) const { VariantClear(&v); }

void FlashExParamHandle::writeXML(std::string& out) const {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, reinterpret_cast<uintptr_t>(number_));
    appendNumberElement(out, digits, result.ptr);
}

void FlashExParamHandle::toVariant(VARIANT&) const { throwTypeError(); }

void appendEscapedXml(std::string& out, const std::string& text) {
    const std::array<bool, 256>& lead = ansiLeadBytes();
    const size_t size = text.size();
    // Plain bytes are copied in runs; only the five markup characters break one.
    size_t run = 0;
    for (size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // The trail byte of a double-byte character may look like '\\' or a
        // letter, never like markup: the pair stays in the run as it is.
        if (lead[c]) {
            if (i + 1 < size && text[i + 1] != '\0') ++i;
            continue;
        }
        const char* entity = xmlEntityOf(c);
        if (entity == nullptr) continue;
        out.append(text, run, i - run);
        out += entity;
        run = i + 1;
    }
    out.append(text, run, size - run);
}
