#include "tbx/ModulePath.h"

#include <windows.h>

#include <vector>

#include "tbx/MvException.h"
#include "tbx/PathString.h"

std::string moduleDirectory(bool withSeparator) {
    std::vector<char> buffer(260);
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), (DWORD)buffer.size());
        if (length == 0) throw MvException("path format error  code=" + std::to_string(GetLastError()));
        if (length < buffer.size()) break;
        buffer.resize(buffer.size() * 2);
    }
    std::string directory = tbx::dir_name_of(buffer.data());
    return withSeparator ? directory + "\\" : directory;
}
