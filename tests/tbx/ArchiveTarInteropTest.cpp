#include "ArchiveTestSupport.h"
#include "tbx/FileUtil.h"
#include "tbx/PathString.h"
#include "tbx/TextConversion.h"

using namespace movara_test;
using namespace archive_test;

// GNU tar is an independent implementation of the same header format. The
// test runs it as a Unix program through the shell; paths are handed over as
// Unix paths.
namespace {

std::string unixPath(const std::string& windowsPath) {
    std::string unix = unixPathOf(windowsPath);
    if (unix.empty()) throw std::runtime_error("no unix path for " + windowsPath);
    return unix;
}

int runShell(const std::string& command, std::string& output) { return runUnixProgram(command, "", output); }

// Runs a shell command; returns its standard output, fails the test on a
// non-zero exit.
std::string run(const std::string& command) {
    std::string output;
    EXPECT_EQ(0, runShell(command, output)) << command << "\n" << output;
    return output;
}

std::string shellQuoted(const std::string& text) { return "'" + text + "'"; }

bool haveTar() {
    std::string output;
    return runShell("tar --version", output) == 0;
}

struct TreeFile {
    std::string relative;
    std::string data;
    uint32_t mtime;
};

}  // namespace

TEST(ArchiveTarInterop, GnuTarListsAndExtractsMovaraArchives) {
    ASSERT_TRUE(haveTar()) << "GNU tar is not installed (scripts/setup.sh installs it)";
    ScratchDir dir;
    std::string longName = "set/" + std::string(80, 'l') + "/" + std::string(40, 'f') + ".bin";
    std::vector<TreeFile> files = {
        {"set/a.txt", "0123456789", 1234567890},
        {"set/sub/b.bin", std::string(1536, '\x80'), 1600000000},
        {"set/sub/empty", "", 946684800},
        {longName, std::string(700, 'L'), 1700000000},
    };
    for (const TreeFile& file : files) {
        std::string path = dir / tbx::to_slashes(file.relative);
        for (char& c : path)
            if (c == '/') c = '\\';
        tbx::create_directories(tbx::dir_name_of(path));
        writeBytes(path, file.data);
        setUnixMtime(path, file.mtime);
    }
    createFromDirectory(dir / "m.tar", dir / "set");

    std::string listing = run("tar -tf " + shellQuoted(unixPath(dir / "m.tar")));
    std::string placeholderDir = "{97133CBE-01AD-4c66-A7F2-B74118AD2424}";
    EXPECT_NE(std::string::npos, listing.find("set/a.txt\n"));
    EXPECT_NE(std::string::npos, listing.find("set/sub/b.bin\n"));
    EXPECT_NE(std::string::npos, listing.find("set/sub/empty\n"));
    EXPECT_NE(std::string::npos, listing.find(placeholderDir + "/0\n"));
    EXPECT_NE(std::string::npos, listing.find(placeholderDir + "/files\n"));
    EXPECT_EQ(std::string::npos, listing.find(longName));

    makeDirectory(dir / "x");
    run("tar -xf " + shellQuoted(unixPath(dir / "m.tar")) + " -C " + shellQuoted(unixPath(dir / "x")));
    for (const TreeFile& file : files) {
        std::string relative = file.relative == longName ? placeholderDir + "/0" : file.relative;
        std::string path = dir / "x\\" + relative;
        EXPECT_EQ(file.data, readBytes(path)) << relative;
        EXPECT_EQ(file.mtime, unixMtime(path)) << relative;
    }
    EXPECT_EQ(longName + "\n", readBytes(dir / "x\\" + placeholderDir + "\\files"));
}

TEST(ArchiveTarInterop, MovaraExtractsGnuAndUstarArchives) {
    ASSERT_TRUE(haveTar()) << "GNU tar is not installed (scripts/setup.sh installs it)";
    for (std::string format : {"gnu", "ustar"}) {
        ScratchDir dir;
        std::vector<TreeFile> files = {
            {"a.txt", "hello", 1111111111},
            {"sub\\b.bin", std::string(1024, '\x01'), 1222222222},
            {"sub\\deeper\\c", std::string(3, '\0'), 1333333333},
            {"sub\\zero", "", 1444444444},
        };
        if (format == "ustar")  // over 100 bytes: stored with the ustar prefix field
            files.push_back({"p\\" + std::string(70, 'q') + "\\" + std::string(60, 'r'), "prefixed", 1555555555});
        for (const TreeFile& file : files) {
            tbx::create_directories(tbx::dir_name_of(dir / "src\\" + file.relative));
            writeBytes(dir / "src\\" + file.relative, file.data);
            setUnixMtime(dir / "src\\" + file.relative, file.mtime);
        }
        makeDirectory(dir / "src\\emptydir");
        std::string tarPath = unixPath(dir / "t.tar");
        std::string members = format == "ustar" ? " a.txt sub emptydir p" : " a.txt sub emptydir";
        run("tar --format=" + format + " -cf " + shellQuoted(tarPath) + " -C " + shellQuoted(unixPath(dir / "src")) +
            members);
        std::string archive = readBytes(dir / "t.tar");
        ASSERT_EQ(0u, archive.size() % 10240) << "tar pads with zero blocks";

        ASSERT_EQ("", extractOutcome(dir / "t.tar", dir / "out")) << format;
        for (const TreeFile& file : files) {
            EXPECT_EQ(file.data, readBytes(dir / "out\\" + file.relative)) << format << " " << file.relative;
            EXPECT_EQ(file.mtime, unixMtime(dir / "out\\" + file.relative)) << format << " " << file.relative;
        }
        EXPECT_TRUE(directoryExists(dir / "out\\emptydir")) << format;
        EXPECT_EQ(files.size(), tbx::list_files(dir / "out\\*.*", true).size()) << format;
    }
}
