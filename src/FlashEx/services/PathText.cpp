#include "PathText.h"

#include <windows.h>

#include "tbx/TextConversion.h"

namespace {

// Offset of the last character's first byte, or npos for an empty text.
size_t lastCharacterOffset(const std::string& text) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        last = i;
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) ++i;
    }
    return last;
}

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

bool endsWithCharacter(const std::string& text, char c) {
    size_t last = lastCharacterOffset(text);
    return last != std::string::npos && last + 1 == text.size() && text[last] == c;
}

bool endsWithSeparator(const std::string& text) {
    return endsWithCharacter(text, '\\') || endsWithCharacter(text, '/');
}

std::string replaceCharacters(const std::string& text, const std::string& from, char to) {
    std::string result = text;
    for (size_t i = 0; i < result.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(result[i])) && i + 1 < result.size()) {
            ++i;
        } else if (from.find(result[i]) != std::string::npos) {
            result[i] = to;
        }
    }
    return result;
}

bool isPathBelow(const std::string& path, const std::string& directory) {
    // Compared in UTF-16, where every character is whole, with the system's
    // ordinal case folding.
    std::u16string widePath = multiByteToWide(path, CP_ACP);
    std::u16string wideDirectory = multiByteToWide(directory, CP_ACP);
    while (!wideDirectory.empty() && isSeparator(wideDirectory.back())) wideDirectory.pop_back();
    if (wideDirectory.empty() || widePath.size() < wideDirectory.size() + 2) return false;
    if (!isSeparator(widePath[wideDirectory.size()])) return false;
    return CompareStringOrdinal(reinterpret_cast<LPCWCH>(widePath.data()), static_cast<int>(wideDirectory.size()),
                                reinterpret_cast<LPCWCH>(wideDirectory.data()), static_cast<int>(wideDirectory.size()),
                                TRUE) == CSTR_EQUAL;
}
