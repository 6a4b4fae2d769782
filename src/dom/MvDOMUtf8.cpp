#include <windows.h>

#include "dom/MvDOMEncoding.h"

namespace {

// Decodes one-, two- and three-byte sequences; the marker bits of the
// continuation bytes are not checked. Misplaced continuation bytes, longer
// sequences and an incomplete sequence at the end are dropped.
std::u16string decodeUtf8(const std::string& text) {
    std::u16string wide;
    wide.reserve(text.size());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = text[i];
        if (c < 0x80) {
            wide += static_cast<char16_t>(c);
        } else if ((c & 0xE0) == 0xC0) {
            if (i + 1 >= n) break;
            wide += static_cast<char16_t>(((c & 0x1F) << 6) | (text[i + 1] & 0x3F));
            i += 1;
        } else if ((c & 0xF0) == 0xE0) {
            if (i + 2 >= n) break;
            wide += static_cast<char16_t>(((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F));
            i += 2;
        }
    }
    return wide;
}

}  // namespace

// The conversion to Shift_JIS asks Windows for code page 932 directly rather
// than going through the C runtime's locale, and refuses best-fit
// substitutions, so a character that 932 lacks is detected and not replaced.
std::string utf8ToNative(const std::string& text) {
    std::u16string wide = decodeUtf8(text);
    if (wide.empty()) return std::string();
    LPCWSTR source = reinterpret_cast<LPCWSTR>(wide.data());
    int length = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    int size = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, source, length, nullptr, 0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault) return std::string();
    std::string narrow(size, '\0');
    usedDefault = FALSE;
    int written =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, source, length, &narrow[0], size, nullptr, &usedDefault);
    if (written != size || usedDefault) return std::string();
    return narrow;
}
