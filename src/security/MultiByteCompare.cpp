#include "security/MultiByteCompare.h"

#include <windows.h>

#include "tbx/PathString.h"

namespace security {

namespace {

// Length in bytes of the character that starts at position i.
size_t characterLength(const std::string& text, size_t i) {
    return (tbx::is_lead_byte(text[i]) && i + 1 < text.size()) ? 2 : 1;
}

// The character at i as one code, letters folded to upper case.
unsigned foldedCharacter(const std::string& text, size_t i) {
    unsigned char first = (unsigned char)text[i];
    if (characterLength(text, i) == 1) return (first >= 'a' && first <= 'z') ? first - 'a' + 'A' : first;
    unsigned code = (first << 8) | (unsigned char)text[i + 1];
    // Full-width a..z (0x8281..0x829A) fold onto A..Z (0x8260..0x8279).
    static const bool shiftJis = GetACP() == 932;
    if (shiftJis && code >= 0x8281 && code <= 0x829A) code -= 0x21;
    return code;
}

// Compares text from position start on with other, character by character;
// true when other is used up exactly at a character boundary of text, and,
// with wholeText, text is used up as well.
bool matchFrom(const std::string& text, size_t start, const std::string& other, bool wholeText) {
    size_t i = start, j = 0;
    while (i < text.size() && j < other.size()) {
        size_t length = characterLength(text, i);
        if (length != characterLength(other, j) || foldedCharacter(text, i) != foldedCharacter(other, j)) return false;
        i += length;
        j += length;
    }
    return j == other.size() && (!wholeText || i == text.size());
}

}  // namespace

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && matchFrom(a, 0, b, true);
}

bool startsWithIgnoreCase(const std::string& text, const std::string& prefix) {
    return prefix.size() <= text.size() && matchFrom(text, 0, prefix, false);
}

bool endsWithIgnoreCase(const std::string& text, const std::string& suffix) {
    if (suffix.size() > text.size()) return false;
    size_t start = text.size() - suffix.size();
    size_t i = 0;
    while (i < start) i += characterLength(text, i);
    return i == start && matchFrom(text, start, suffix, true);
}

}  // namespace security
