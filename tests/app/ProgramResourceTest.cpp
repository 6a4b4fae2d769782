// What each file a user copies says about itself to Windows and to Explorer,
// read back from the program's folder of this build's architecture.
#include <set>

#include "MovaraTest.h"

namespace {

struct ProgramFile {
    const char* name;
    bool isProgram;  // a program carries the manifest and the icon; the DLL only the version
};
const ProgramFile kFiles[] = {
    {"movara.exe", true}, {"mkswf.exe", true}, {"movdbg.exe", true}, {"MovaraFlashPlayer.dll", false}};

std::string pathOf(const ProgramFile& file) { return movara_test::programDirectory() + "\\" + file.name; }

// A file's resources, loaded as data: nothing of it runs.
class ResourceFile {
public:
    explicit ResourceFile(const std::string& path)
        : module_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ResourceFile() {
        if (module_) FreeLibrary(module_);
    }
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;

    bool loaded() const { return module_ != nullptr; }
    // The resource's bytes, or "" when there is none.
    std::string bytes(LPCSTR type, LPCSTR name) const {
        HRSRC found = FindResourceA(module_, name, type);
        if (!found) return "";
        auto* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
        return data ? std::string(data, SizeofResource(module_, found)) : "";
    }

private:
    HMODULE module_;
};

// The widths of the images of icon group `id` (0 in an entry means 256).
std::set<int> iconWidths(const ResourceFile& file, int id) {
    std::string group = file.bytes(RT_GROUP_ICON, MAKEINTRESOURCEA(id));
    std::set<int> widths;
    if (group.size() < 6) return widths;
    // GRPICONDIR: reserved, type, count (16 bits each), then 14-byte entries
    // whose last 16 bits are the id of the RT_ICON image.
    unsigned count = static_cast<unsigned char>(group[4]) | static_cast<unsigned char>(group[5]) << 8;
    for (unsigned i = 0; i < count && 6 + (i + 1) * 14 <= group.size(); ++i) {
        const char* entry = group.data() + 6 + i * 14;
        int id = static_cast<unsigned char>(entry[12]) | static_cast<unsigned char>(entry[13]) << 8;
        EXPECT_FALSE(file.bytes(RT_ICON, MAKEINTRESOURCEA(id)).empty()) << "icon image " << id;
        int width = static_cast<unsigned char>(entry[0]);
        widths.insert(width == 0 ? 256 : width);
    }
    return widths;
}

// A string of the version resource's Japanese Unicode block.
std::string versionString(const std::string& version, const char* key) {
    char* value = nullptr;
    UINT length = 0;
    std::string query = std::string("\\StringFileInfo\\041104b0\\") + key;
    if (!VerQueryValueA(version.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return "";
    return value;
}

}  // namespace

TEST(ProgramResources, EachProgramCarriesTheManifestOfItsArchitecture) {
    const std::string architecture = sizeof(void*) == 8 ? "amd64" : "x86";
    for (const ProgramFile& file : kFiles) {
        ResourceFile resources(pathOf(file));
        ASSERT_TRUE(resources.loaded()) << file.name;
        std::string manifest = resources.bytes(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
        if (!file.isProgram) {
            EXPECT_EQ(manifest, "") << file.name;
            continue;
        }
        for (const char* entry : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                                  "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
                                  "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
                                  "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
                                  "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
                                  ">true/pm</dpiAware>", ">PerMonitor</dpiAwareness>", "level=\"asInvoker\""}) {
            EXPECT_NE(manifest.find(entry), std::string::npos) << file.name << " lacks " << entry;
        }
        EXPECT_NE(manifest.find("processorArchitecture=\"" + architecture + "\""), std::string::npos) << file.name;
    }
}

TEST(ProgramResources, EachProgramCarriesTheIconAtEverySizeFrom16To256) {
    const std::set<int> sizes = {16, 20, 24, 32, 40, 48, 64, 128, 256};
    for (const ProgramFile& file : kFiles) {
        if (!file.isProgram) continue;
        ResourceFile resources(pathOf(file));
        ASSERT_TRUE(resources.loaded()) << file.name;
        EXPECT_EQ(iconWidths(resources, 1), sizes) << file.name;
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
        char numbers[64];
        snprintf(numbers, sizeof numbers, "%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                 HIWORD(fixed->dwFileVersionLS));
        EXPECT_STREQ(numbers, MOVARA_VERSION) << file.name;
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS) << file.name;
    }
}
