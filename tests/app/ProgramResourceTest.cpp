// What each file a user copies says about itself to Windows and to Explorer,
// read back from the program's folder of this build's architecture.
#include <set>

#include "MovaraTest.h"
#include "tbx/Handles.h"

namespace {

struct ProgramFile {
    const char* name;
    bool isProgram;  // a program carries the manifest and the icon; the DLL only the version
};
const ProgramFile kFiles[] = {
    {"movara.exe", true}, {"mkswf.exe", true}, {"movdbg.exe", true}, {"MovaraFlashPlayer.dll", false}};

std::string pathOf(const ProgramFile& file) { return movara_test::programDirectory() + "\\" + file.name; }

// A file's resources, loaded as data: nothing of it runs.
tbx::Module resourcesOf(const ProgramFile& file) {
    return tbx::Module(
        LoadLibraryExA(pathOf(file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

// A resource's bytes, or "" when there is none.
std::string resourceBytes(const tbx::Module& module, LPCSTR type, int id) {
    HRSRC found = FindResourceA(module.get(), MAKEINTRESOURCEA(id), type);
    auto* data = found ? static_cast<const char*>(LockResource(LoadResource(module.get(), found))) : nullptr;
    return data ? std::string(data, SizeofResource(module.get(), found)) : "";
}

// The widths of the images of icon group 1: a count at byte 4, then 14-byte
// entries, each starting with its width (0 for 256) and ending with its image's id.
std::set<int> iconWidths(const tbx::Module& module) {
    std::string group = resourceBytes(module, RT_GROUP_ICON, 1);
    std::set<int> widths;
    auto byte = [&](size_t at) { return static_cast<unsigned char>(group[at]); };
    for (unsigned i = 0; group.size() >= 6 && i < byte(4) && 6 + (i + 1) * 14 <= group.size(); ++i) {
        const size_t entry = 6 + i * 14;
        EXPECT_NE(resourceBytes(module, RT_ICON, byte(entry + 12) | byte(entry + 13) << 8), "") << "image " << i;
        widths.insert(byte(entry) == 0 ? 256 : byte(entry));
    }
    return widths;
}

// A string of the version resource's Japanese Unicode block.
std::string versionString(const std::string& version, const char* key) {
    char* value = nullptr;
    UINT length = 0;
    std::string query = std::string("\\StringFileInfo\\041104b0\\") + key;
    return VerQueryValueA(version.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) && value ? value
                                                                                                             : "";
}

}  // namespace

TEST(ProgramResources, EachProgramCarriesTheManifestOfItsArchitectureAndTheIconAtEverySize) {
    const std::string architecture = sizeof(void*) == 8 ? "amd64" : "x86";
    for (const ProgramFile& file : kFiles) {
        tbx::Module resources = resourcesOf(file);
        ASSERT_TRUE(resources.valid()) << file.name;
        std::string manifest = resourceBytes(resources, MAKEINTRESOURCEA(24), 1);
        if (!file.isProgram) {
            EXPECT_EQ(manifest, "") << file.name;
            continue;
        }
        const std::string entries[] = {"processorArchitecture=\"" + architecture + "\"",
                                       "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                                       "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
                                       "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
                                       "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
                                       "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
                                       ">true/pm</dpiAware>",
                                       ">PerMonitor</dpiAwareness>"};
        for (const std::string& entry : entries) {
            EXPECT_NE(manifest.find(entry), std::string::npos) << file.name << " lacks " << entry;
        }
        EXPECT_EQ(iconWidths(resources), (std::set<int>{16, 20, 24, 32, 40, 48, 64, 128, 256})) << file.name;
    }
}

TEST(ProgramResources, EveryFileCarriesTheVersionOfTheBuild) {
    for (const ProgramFile& file : kFiles) {
        DWORD ignored = 0;
        std::string version(GetFileVersionInfoSizeA(pathOf(file).c_str(), &ignored), '\0');
        ASSERT_FALSE(version.empty()) << file.name << " has no version resource";
        ASSERT_TRUE(GetFileVersionInfoA(pathOf(file).c_str(), 0, static_cast<DWORD>(version.size()), &version[0]));
        EXPECT_EQ(versionString(version, "ProductName"), "Movara") << file.name;
        EXPECT_EQ(versionString(version, "FileVersion"), MOVARA_VERSION) << file.name;
        EXPECT_EQ(versionString(version, "ProductVersion"), MOVARA_VERSION) << file.name;
        EXPECT_EQ(versionString(version, "OriginalFilename"), file.name);
        EXPECT_NE(versionString(version, "FileDescription"), "") << file.name;
        EXPECT_NE(versionString(version, "LegalCopyright").find("Movara"), std::string::npos) << file.name;

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(version.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                      std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                      std::to_string(HIWORD(fixed->dwFileVersionLS)),
                  MOVARA_VERSION)
            << file.name;
    }
}
