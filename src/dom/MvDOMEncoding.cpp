#include "dom/MvDOMEncoding.h"

#include <initializer_list>

namespace {

bool equalsIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
        if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
        if (x != y) return false;
    }
    return i == a.size() && !b[i];
}

bool isAnyOf(const std::string& name, std::initializer_list<const char*> candidates) {
    for (const char* candidate : candidates) {
        if (equalsIgnoringCase(name, candidate)) return true;
    }
    return false;
}

}  // namespace

MvDOMEncoding classifyEncoding(const std::string& name) {
    if (isAnyOf(name, {"Shift_JIS", "Shift-JIS"})) return MvDOMEncoding::ShiftJis;
    if (isAnyOf(name, {"x-euc-jp", "x-euc", "euc-jp"})) return MvDOMEncoding::EucJp;
    if (name.empty() || isAnyOf(name, {"UTF-8"})) return MvDOMEncoding::Utf8;
    if (isAnyOf(name, {"UNICODE"})) return MvDOMEncoding::Unicode;
    if (isAnyOf(name, {"iso-2022-jp", "x-jis", "jis"})) return MvDOMEncoding::Jis;
    return MvDOMEncoding::Unsupported;
}

void jisPairToShiftJis(unsigned char row, unsigned char cell, std::string& out) {
    unsigned lead = ((row - 0x21u) >> 1) + 0x81u;
    if (lead > 0x9F) lead += 0x40;
    unsigned trail;
    if (row & 1) {
        trail = cell + 0x1Fu;
        if (trail >= 0x7F) ++trail;
    } else {
        trail = cell + 0x7Eu;
    }
    out += static_cast<char>(lead);
    out += static_cast<char>(trail);
}

std::string jisToShiftJis(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    bool twoByte = false;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = text[i];
        if (c == 0x1B && i + 2 < n && text[i + 2] == 'B' && (text[i + 1] == '$' || text[i + 1] == '(')) {
            twoByte = text[i + 1] == '$';
            i += 2;
        } else if (c == '\n') {
            out += "\r\n";
        } else if (c == '\r') {
            out += "\r\n";
            if (i + 1 < n && text[i + 1] == '\n') ++i;
        } else if (twoByte && c >= 0x21 && c <= 0x7E && i + 1 < n) {
            jisPairToShiftJis(c, text[++i], out);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
