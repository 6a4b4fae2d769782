#include "ScratchDrive.h"

#include <windows.h>

#include "HostLinks.h"
#include "TestFiles.h"

namespace movara_test {

namespace {

bool readVariable(const char* name, std::string& value) {
    char buffer[32768];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return false;
    value.assign(buffer, length);
    return true;
}

void restoreVariable(const char* name, bool had, const std::string& value) {
    SetEnvironmentVariableA(name, had ? value.c_str() : nullptr);
}

// The prefix's dosdevices folder as a Unix path.
std::string dosDevicesFolder() {
    std::string prefix;
    if (readVariable("WINEPREFIX", prefix) && !prefix.empty() && prefix[0] == '/') return prefix + "/dosdevices";
    std::string drive = unixPathOf("C:\\");
    size_t link = drive.rfind("/dosdevices/");
    return link == std::string::npos ? std::string() : drive.substr(0, link) + "/dosdevices";
}

}  // namespace

ScratchDrive::ScratchDrive(const std::string& folder) {
    std::string devices = dosDevicesFolder();
    std::string target = unixPathOf(folder);
    if (devices.empty() || target.empty()) return;
    std::string marker = folder + "\\drive-marker";
    writeBytes(marker, "scratch");
    DWORD used = GetLogicalDrives();
    for (char letter = 'M'; letter <= 'Y' && !letter_; ++letter) {
        if (used & (1u << (letter - 'A'))) continue;
        std::string link = devices + "/" + (char)(letter - 'A' + 'a') + ":";
        // ln refuses a link that exists already: a letter in use elsewhere is never taken over.
        if (!runOnHost("ln -s " + hostQuoted(target) + " " + hostQuoted(link))) continue;
        std::string probe = std::string(1, letter) + ":\\drive-marker";
        if (fileExists(probe) && readBytes(probe) == "scratch") {
            letter_ = letter;
            link_ = link;
            target_ = target;
        }
    }
    DeleteFileA(marker.c_str());
    if (!letter_) return;
    hadCurrent_ = readVariable(("=" + drive()).c_str(), savedCurrent_);
    hadTmp_ = readVariable("TMP", savedTmp_);
    hadTemp_ = readVariable("TEMP", savedTemp_);
}

ScratchDrive::~ScratchDrive() {
    if (!letter_) return;
    restoreVariable(("=" + drive()).c_str(), hadCurrent_, savedCurrent_);
    restoreVariable("TMP", hadTmp_, savedTmp_);
    restoreVariable("TEMP", hadTemp_, savedTemp_);
    // Only the link made here, pointing at the scratch folder, is removed.
    runOnHost("readlink " + hostQuoted(link_) + " | grep -qxF " + hostQuoted(target_) + " && rm -f " +
              hostQuoted(link_));
}

std::string ScratchDrive::drive() const { return std::string(1, letter_) + ":"; }

void ScratchDrive::setCurrentFolder(const std::string& relative) {
    SetEnvironmentVariableA(("=" + drive()).c_str(), (drive() + relative).c_str());
}

void ScratchDrive::setTemporaryFolder(const std::string& relative) {
    SetEnvironmentVariableA("TMP", (drive() + relative).c_str());
    SetEnvironmentVariableA("TEMP", (drive() + relative).c_str());
}

}  // namespace movara_test
