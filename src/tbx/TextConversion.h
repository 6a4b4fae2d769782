#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

// Conversions between narrow text in a code page (0 = the ANSI code page,
// 65001 = UTF-8) and UTF-16. Both stop at the first NUL; a conversion whose
// two passes disagree throws TbException "文字コード変換に失敗しました。".
// Characters the target code page lacks become its default character.
std::u16string multiByteToWide(const std::string& text, UINT codePage);
std::u16string multiByteToWide(const char* text, UINT codePage);
// The same straight into a new automation string (no UTF-16 copy between),
// which the caller frees; null when it cannot be allocated.
BSTR multiByteToBstr(const char* text, UINT codePage);
std::string wideToMultiByte(const std::u16string& text, UINT codePage);
std::string wideToMultiByte(const char16_t* text, UINT codePage);
