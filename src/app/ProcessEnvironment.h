#pragma once
#include <string>

// The drive part of a Windows directory: the text before its first backslash.
std::string systemDriveOf(const std::string& windowsDirectory);

// Makes the program directory the working directory and sets MVR_SYSTEM_DRIVE
// and MVR_APP_PATH for the process and the programs it starts.
void prepareProcessEnvironment(const std::string& programDirectory);
