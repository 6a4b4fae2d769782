#include "player/FlashVars.h"

#include <windows.h>

#include "tbx/TextConversion.h"

namespace player {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> decodeFlashVars(const std::u16string& query) {
    std::string utf8 = wideToMultiByte(query, CP_UTF8);
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t start = 0;
    while (start <= utf8.size()) {
        size_t end = utf8.find('&', start);
        if (end == std::string::npos) end = utf8.size();
        std::string part = utf8.substr(start, end - start);
        if (!part.empty()) {
            size_t equals = part.find('=');
            std::string name = part.substr(0, equals);
            std::string value = equals == std::string::npos ? std::string() : part.substr(equals + 1);
            pairs.emplace_back(percentDecode(name), percentDecode(value));
        }
        start = end + 1;
    }
    return pairs;
}

}  // namespace player
