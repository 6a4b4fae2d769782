#include "tbx/Trace.h"

#include <windows.h>

#include "tbx/TextConversion.h"

namespace tbx {

namespace {

HANDLE usableHandle(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }

// The standard output, or the console of the program that started this one.
HANDLE traceOutput() {
    HANDLE output = usableHandle(GetStdHandle(STD_OUTPUT_HANDLE));
    if (output || !AttachConsole(ATTACH_PARENT_PROCESS)) return output;
    output = usableHandle(CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    if (output) SetStdHandle(STD_OUTPUT_HANDLE, output);
    return output;
}

}  // namespace

void traceLine(const std::string& text) {
    HANDLE output = traceOutput();
    if (!output) return;
    std::string line;
    try {
        line = wideToMultiByte(multiByteToWide(text, CP_ACP), CP_UTF8) + "\n";
    } catch (...) {
        line = text + "\n";  // bytes that are no text in the code page go out as they are
    }
    DWORD written = 0;
    WriteFile(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

bool traceToFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // Kept open for the life of the process: both standard handles use it.
    SetStdHandle(STD_OUTPUT_HANDLE, file);
    SetStdHandle(STD_ERROR_HANDLE, file);
    return true;
}

}  // namespace tbx
