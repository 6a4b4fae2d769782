#include "app/ProcessEnvironment.h"
#include "tbx/PathString.h"

#include <windows.h>

std::string systemDriveOf(const std::string& windowsDirectory) {
    return windowsDirectory.substr(0, tbx::find_character(windowsDirectory, '\\'));
}

void prepareProcessEnvironment(const std::string& programDirectory) {
    SetCurrentDirectoryA(programDirectory.c_str());
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof(windows));
    SetEnvironmentVariableA("MVR_SYSTEM_DRIVE", systemDriveOf(windows).c_str());
    SetEnvironmentVariableA("MVR_APP_PATH", programDirectory.c_str());
}
