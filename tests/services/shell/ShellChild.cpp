// A program for the shell service's tests to start:
//   shell_child.exe FILE [DELAY_MS [LINGER_MS]]
// waits DELAY_MS, writes "PID SHOW" to FILE (SHOW: the show state it was
// started with, -1 for none), then stays LINGER_MS before it ends with 0.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    Sleep(argc > 2 ? atoi(argv[2]) : 0);
    STARTUPINFOA startup = {};
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    char record[64];
    int length = snprintf(record, sizeof(record), "%lu %d", GetCurrentProcessId(), show);
    // Written under another name first, so a reader never sees half of it.
    std::string partial = std::string(argv[1]) + ".part";
    HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(file, record, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
    MoveFileA(partial.c_str(), argv[1]);
    Sleep(argc > 3 ? atoi(argv[3]) : 0);
    return 0;
}
