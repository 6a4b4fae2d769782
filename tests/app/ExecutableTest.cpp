#include <set>
#include <sstream>

#include "MovaraTest.h"
#include "tbx/FileUtil.h"

// What a user copies to a Windows machine must be real Windows executables
// that need no DLL beyond those Windows itself has.
namespace {

// DLLs of every Windows installation (ATL's atl80.dll is loaded at run time).
const std::set<std::string> kSystemDlls = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "gdiplus.dll",
                                           "kernel32.dll", "msvcrt.dll",   "ole32.dll",    "oleaut32.dll",
                                           "shell32.dll",  "shlwapi.dll",  "user32.dll",   "winmm.dll", "version.dll",
                                           "dbghelp.dll",  "ws2_32.dll"};

std::string lowered(std::string text) {
    for (char& c : text) c = (char)tolower((unsigned char)c);
    return text;
}

std::vector<std::string> importedDlls(const std::string& path) {
    std::string output;
    int code = movara_test::runUnixProgram("x86_64-w64-mingw32-objdump -p '" + movara_test::unixPathOf(path) + "'", "",
                                           output);
    EXPECT_EQ(0, code) << output;
    std::vector<std::string> dlls;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        size_t at = line.find("DLL Name: ");
        if (at != std::string::npos) dlls.push_back(lowered(line.substr(at + 10)));
    }
    return dlls;
}

// The machine type of a PE file: "MZ", then "PE\0\0" at the offset the DOS
// header names, then the COFF machine field.
unsigned peMachine(const std::string& bytes) {
    if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0) return 0;
    uint32_t offset = *reinterpret_cast<const uint32_t*>(bytes.data() + 0x3C);
    if (offset + 6 > bytes.size() || bytes.compare(offset, 4, std::string("PE\0\0", 4)) != 0) return 0;
    return *reinterpret_cast<const uint16_t*>(bytes.data() + offset + 4);
}

}  // namespace

TEST(Executables, TheProgramAndThePlayerImportOnlySystemDlls) {
    for (const char* name : {"movara.exe", "MovaraFlashPlayer.dll", "mkswf.exe", "movdbg.exe"}) {
        std::string path = movara_test::programDirectory() + "\\" + name;
        std::vector<std::string> dlls = importedDlls(path);
        EXPECT_FALSE(dlls.empty()) << name;
        for (const auto& dll : dlls) EXPECT_TRUE(kSystemDlls.count(dll)) << name << " imports " << dll;
    }
}

TEST(Executables, ProgramsAndTestsArePeFilesForX64) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    for (const std::string& path : {std::string(self), movara_test::programDirectory() + "\\movara.exe",
                                    movara_test::programDirectory() + "\\MovaraFlashPlayer.dll"}) {
        EXPECT_EQ(0x8664u, peMachine(tbx::read_file(path))) << path;
    }
}
