#include "services/shell/FullPathName.h"

#include <windows.h>

#include "tbx/TextConversion.h"

namespace {

const size_t kBufferBytes = 1024;
const size_t kKeptWhenFailing = 1022;

}  // namespace

std::string fullPathName(const std::string& path) {
    // Wine's ANSI entry point fails for any full path beyond 259 characters;
    // the wide one makes the path a Windows program gets, and the byte limit
    // applies to its ANSI form.
    std::u16string wide = multiByteToWide(path, CP_ACP);
    auto name = reinterpret_cast<LPCWSTR>(wide.c_str());
    DWORD needed = GetFullPathNameW(name, 0, nullptr, nullptr);
    std::u16string full(needed, u'\0');
    DWORD length = needed ? GetFullPathNameW(name, needed, reinterpret_cast<LPWSTR>(&full[0]), nullptr) : 0;
    if (length == 0 || length >= needed) return path.substr(0, kKeptWhenFailing);
    full.resize(length);
    std::string narrow = wideToMultiByte(full, CP_ACP);
    return narrow.size() < kBufferBytes ? narrow : std::string();
}
