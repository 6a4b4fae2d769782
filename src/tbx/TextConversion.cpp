#include "tbx/TextConversion.h"

#include "tbx/TbException.h"

namespace {

const char* const kConversionFailed = "文字コード変換に失敗しました。";

}  // namespace

std::u16string multiByteToWide(const char* text, UINT codePage) {
    if (text == nullptr) return {};
    // The length asked for includes the terminator.
    int length = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (length <= 0) throw TbException(kConversionFailed);
    std::u16string wide(length, u'\0');
    if (MultiByteToWideChar(codePage, 0, text, -1, reinterpret_cast<LPWSTR>(&wide[0]), length) != length)
        throw TbException(kConversionFailed);
    wide.resize(length - 1);
    return wide;
}

std::u16string multiByteToWide(const std::string& text, UINT codePage) {
    return multiByteToWide(text.c_str(), codePage);
}

BSTR multiByteToBstr(const char* text, UINT codePage) {
    int length = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (length <= 0) throw TbException(kConversionFailed);
    BSTR wide = SysAllocStringLen(nullptr, length - 1);
    if (wide == nullptr) return nullptr;
    if (MultiByteToWideChar(codePage, 0, text, -1, wide, length) != length) {
        SysFreeString(wide);
        throw TbException(kConversionFailed);
    }
    return wide;
}

std::string wideToMultiByte(const char16_t* text, UINT codePage) {
    if (text == nullptr) return {};
    LPCWSTR source = reinterpret_cast<LPCWSTR>(text);
    char stackBuffer[256];
    int converted = WideCharToMultiByte(codePage, 0, source, -1, stackBuffer, sizeof stackBuffer, nullptr, nullptr);
    if (converted > 0) return std::string(stackBuffer, converted - 1);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) throw TbException(kConversionFailed);
    int length = WideCharToMultiByte(codePage, 0, source, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) throw TbException(kConversionFailed);
    // Converted in place: a long text is not held twice.
    std::string narrow(length, '\0');
    if (WideCharToMultiByte(codePage, 0, source, -1, &narrow[0], length, nullptr, nullptr) != length)
        throw TbException(kConversionFailed);
    narrow.resize(length - 1);
    return narrow;
}

std::string wideToMultiByte(const std::u16string& text, UINT codePage) {
    return wideToMultiByte(text.c_str(), codePage);
}
