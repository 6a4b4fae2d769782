#include "services/common/FileUrl.h"

#include <windows.h>
#include <shlwapi.h>

#include "tbx/FlashExException.h"

namespace {

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool isSchemeCharacter(char c) {
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

}  // namespace

std::string urlSchemeOf(const std::string& name) {
    if (name.empty() || !isAsciiLetter(name[0])) return std::string();
    size_t i = 1;
    while (i < name.size() && isSchemeCharacter(name[i])) ++i;
    return i >= 2 && i < name.size() && name[i] == ':' ? name.substr(0, i) : std::string();
}

std::string pathOfFileUrl(const std::string& url) {
    char path[MAX_PATH];
    DWORD length = MAX_PATH;
    if (FAILED(PathCreateFromUrlA(url.c_str(), path, &length, 0)))
        throw FlashExException("ファイルURL「" + url + "」をパスに変換できませんでした。");
    return path;
}
