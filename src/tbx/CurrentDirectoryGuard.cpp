#include "tbx/CurrentDirectoryGuard.h"

#include <windows.h>

#include <vector>

#include "tbx/TbException.h"

namespace {

const char kNoCurrentDirectory[] = "カレントディレクトリが取得できませんでした。";

std::string currentDirectoryText() {
    std::vector<char> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 5; ++attempt) {
        DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length > 0 && length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
    throw TbException(kNoCurrentDirectory);
}

}  // namespace

CurrentDirectoryGuard::CurrentDirectoryGuard() : previous_(currentDirectoryText()) {}

CurrentDirectoryGuard::CurrentDirectoryGuard(const std::string& directory) : previous_(currentDirectoryText()) {
    // A directory that cannot be entered leaves the current one; the work
    // then finds nothing there.
    SetCurrentDirectoryA(directory.c_str());
}

CurrentDirectoryGuard::~CurrentDirectoryGuard() { SetCurrentDirectoryA(previous_.c_str()); }
