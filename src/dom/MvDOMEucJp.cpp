#include "dom/MvDOMEncoding.h"

namespace {

// Full-width Shift_JIS forms of the half-width katakana and punctuation
// 0xA1 to 0xDF (the JIS X 0201 katakana set).
const unsigned short fullWidthKana[0xDF - 0xA1 + 1] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342,  //
    0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B,  //
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E,  //
    0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E,  //
    0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C,  //
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E,  //
    0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A,  //
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,
};

const unsigned char kanaSs2 = 0x8E;
const unsigned char voicedMark = 0xDE;
const unsigned char semiVoicedMark = 0xDF;

bool isEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }
bool isHalfWidthKana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// The full-width code for kana followed by a sound mark, or 0 when the two
// do not combine (ka to to and ha to ho take the voiced mark, u becomes vu;
// ha to ho take the semi-voiced mark).
unsigned mergedKana(unsigned char kana, unsigned char mark) {
    unsigned code = fullWidthKana[kana - 0xA1];
    if (mark == voicedMark) {
        if (kana == 0xB3) return 0x8394;
        if ((kana >= 0xB6 && kana <= 0xC4) || (kana >= 0xCA && kana <= 0xCE)) return code + 1;
    } else if (mark == semiVoicedMark && kana >= 0xCA && kana <= 0xCE) {
        return code + 2;
    }
    return 0;
}

void appendCode(unsigned code, std::string& out) {
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

}  // namespace

std::string eucToShiftJis(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = text[i];
        if (i + 1 >= n) {
            out += static_cast<char>(c);
            ++i;
        } else if (isEucByte(c)) {
            unsigned char next = text[i + 1];
            if (isEucByte(next)) {
                jisPairToShiftJis(c - 0x80, next - 0x80, out);
            } else {
                out += static_cast<char>(c);
                out += static_cast<char>(next);
            }
            i += 2;
        } else if (c == kanaSs2 && isHalfWidthKana(text[i + 1])) {
            unsigned char kana = text[i + 1];
            i += 2;
            unsigned merged = 0;
            if (i + 1 < n && static_cast<unsigned char>(text[i]) == kanaSs2) {
                merged = mergedKana(kana, text[i + 1]);
            }
            if (merged) {
                appendCode(merged, out);
                i += 2;
            } else {
                appendCode(fullWidthKana[kana - 0xA1], out);
            }
        } else if (c == kanaSs2) {
            out += static_cast<char>(c);
            out += text[i + 1];
            i += 2;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}
