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

bool processRuns(DWORD id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return false;
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

// The Windows name (drive Z:) of a Unix path.
std::string windowsNameOf(const std::string& unixPath) {
    std::string name = "Z:" + unixPath;
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

std::string linkOf(const std::string& devices, char letter) { return devices + "/" + (char)(letter - 'A' + 'a') + ":"; }

// Beside each drive link it makes, a ScratchDrive keeps a record of the test
// program that holds it. A drive whose program has ended (a killed run)
// would keep its letter taken for ever: its link and record go.
std::string ownerRecordOf(const std::string& devices, char letter) {
    return windowsNameOf(devices + "/movara-scratch-" + std::string(1, letter));
}

void removeStaleDrive(const std::string& devices, char letter) {
    std::string record = ownerRecordOf(devices, letter);
    if (!fileExists(record)) return;
    DWORD id = strtoul(readBytes(record).c_str(), nullptr, 10);
    if (id != 0 && processRuns(id)) return;
    std::string link = linkOf(devices, letter);
    runOnHost("[ -L " + hostQuoted(link) + " ] && rm -f " + hostQuoted(link));
    DeleteFileA(record.c_str());
}

}  // namespace

ScratchDrive::ScratchDrive(const std::string& folder) {
    std::string devices = dosDevicesFolder();
    std::string target = unixPathOf(folder);
    if (devices.empty() || target.empty()) return;
    for (char letter = 'M'; letter <= 'Y'; ++letter) removeStaleDrive(devices, letter);
    // The marker's text is this drive's alone, so a letter that another test
    // took at the same moment is never mistaken for this one.
    static LONG drives = 0;
    std::string mark = std::to_string(GetCurrentProcessId()) + " " + std::to_string(InterlockedIncrement(&drives));
    std::string marker = folder + "\\drive-marker";
    writeBytes(marker, mark);
    DWORD used = GetLogicalDrives();
    for (char letter = 'M'; letter <= 'Y' && !letter_; ++letter) {
        if (used & (1u << (letter - 'A'))) continue;
        std::string link = linkOf(devices, letter);
        // -T: an existing link (even one to a folder) makes ln fail instead
        // of putting the new link inside that folder.
        if (!runOnHost("ln -sT " + hostQuoted(target) + " " + hostQuoted(link))) continue;
        std::string probe = std::string(1, letter) + ":\\drive-marker";
        if (fileExists(probe) && readBytes(probe) == mark) {
            letter_ = letter;
            link_ = link;
            target_ = target;
            record_ = ownerRecordOf(devices, letter);
            writeBytes(record_, std::to_string(GetCurrentProcessId()));
        } else {
            runOnHost("rm -f " + hostQuoted(link));
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
    DeleteFileA(record_.c_str());
}

ScratchShare::ScratchShare(const std::string& folder)
    : server_("movara-share-" + std::to_string(GetCurrentProcessId())) {
    std::string devices = dosDevicesFolder();
    std::string target = unixPathOf(folder);
    if (devices.empty() || target.empty()) return;
    serverFolder_ = devices + "/unc/" + server_;
    std::string mark = "share " + server_;
    writeBytes(folder + "\\share-marker", mark);
    mapped_ = runOnHost("mkdir -p " + hostQuoted(serverFolder_) + " && ln -sfT " + hostQuoted(target) + " " +
                        hostQuoted(serverFolder_ + "/share")) &&
              fileExists(root() + "\\share-marker") && readBytes(root() + "\\share-marker") == mark;
    DeleteFileA((folder + "\\share-marker").c_str());
}

ScratchShare::~ScratchShare() {
    if (!serverFolder_.empty()) runOnHost("rm -rf " + hostQuoted(serverFolder_));
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
