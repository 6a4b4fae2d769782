#include "app/ProcessEnvironment.h"

#include <windows.h>

std::string systemDriveOf(const std::string& windowsDirectory) {
    // By character: a Shift_JIS trail byte may be 0x5C.
    for (const char* p = windowsDirectory.c_str(); *p; p = CharNextA(p))
        if (*p == '\\') return std::string(windowsDirectory.c_str(), p);
    return windowsDirectory;
}

void prepareProcessEnvironment(const std::string& programDirectory) {
    SetCurrentDirectoryA(programDirectory.c_str());
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof(windows));
    SetEnvironmentVariableA("MVR_SYSTEM_DRIVE", systemDriveOf(windows).c_str());
    SetEnvironmentVariableA("MVR_APP_PATH", programDirectory.c_str());
}
