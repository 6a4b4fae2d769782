#include <map>

#include "ArchiveTestSupport.h"
#include "tbx/FileUtil.h"
#include "tbx/Handles.h"
#include "tbx/PathString.h"

using namespace movara_test;
using namespace archive_test;

namespace {

const char kLongDir[] = "{97133CBE-01AD-4c66-A7F2-B74118AD2424}";

// Every file and directory below a root with its size and contents; what a
// hostile archive must not change outside the destination.
void snapshot(const std::string& root, const std::string& skip, std::map<std::string, std::string>& out) {
    WIN32_FIND_DATAA found;
    tbx::FindHandle search(FindFirstFileA((root + "\\*").c_str(), &found));
    if (!search) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = root + "\\" + name;
        if (path == skip) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[path] = "<dir>";
            snapshot(path, skip, out);
        } else {
            out[path] = readBytes(path);
        }
    } while (FindNextFileA(search.get(), &found));
}

// The scratch directory (canary files beside the destination and the current
// directory during the test) and the places outside it that the hostile
// names aim at. Only named paths are checked outside the scratch directory,
// as other suites may run at the same time.
std::map<std::string, std::string> world(const ScratchDir& dir) {
    std::map<std::string, std::string> state;
    snapshot(dir.path(), dir / "dest", state);
    for (const char* path : {"C:\\x", "\\x", "C:\\abs", "\\abs", "C:\\escaped", "\\escaped", "C:\\stream"}) {
        state[path] = GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? "absent" : "present";
    }
    return state;
}

// Makes a directory current for the lifetime of the object, so that names
// relative to the current directory ("C:x") land where the test looks.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& path) {
        GetCurrentDirectoryA(MAX_PATH, previous_);
        SetCurrentDirectoryA(path.c_str());
    }
    ~CurrentDirectory() { SetCurrentDirectoryA(previous_); }

private:
    char previous_[MAX_PATH];
};

struct HostileCase {
    const char* what;
    std::string archive;           // bytes that follow a harmless first entry
    std::string outcome;           // "" for success
    std::string createdFile = "";  // for successes: a file the entry gives, below the destination
};

RawEntry tweaked(const std::string& name, const std::string& data, std::function<void(tbx::ArchiveBlock&)> tweak,
                 char type = '0') {
    RawEntry entry{name, data, type};
    entry.tweak = std::move(tweak);
    return entry;
}

std::string nameList(const std::string& list) { return RawEntry{std::string(kLongDir) + "/files", list}.bytes(); }
std::string placeholder(int number, const std::string& data) {
    return RawEntry{std::string(kLongDir) + "/" + std::to_string(number), data}.bytes();
}

std::vector<HostileCase> hostileCases() {
    const std::string kBadName = "invalid file name";
    std::vector<HostileCase> cases = {
        {"../x", RawEntry{"../x", "x"}.bytes(), kBadName},
        {"a/../../x", RawEntry{"a/../../x", "x"}.bytes(), kBadName},
        {"/..", RawEntry{"/..", "x"}.bytes(), kBadName},
        {"./..", RawEntry{"./..", "x"}.bytes(), kBadName},
        {"//..", RawEntry{"//..", "x"}.bytes(), kBadName},
        {"\\..\\x", RawEntry{"\\..\\x", "x"}.bytes(), kBadName},
        {"a\\..\\..\\x", RawEntry{"a\\..\\..\\x", "x"}.bytes(), kBadName},
        {"C:x", RawEntry{"C:x", "x"}.bytes(), kBadName},
        {"C:..\\x", RawEntry{"C:..\\x", "x"}.bytes(), kBadName},
        {"C:\\x", RawEntry{"C:\\x", "x"}.bytes(), kBadName},
        {"\\\\?\\C:\\x", RawEntry{"\\\\?\\C:\\x", "x"}.bytes(), kBadName},
        {"\\\\host\\s\\x", RawEntry{"\\\\host\\s\\x", "x"}.bytes(), kBadName},
        {"/abs", RawEntry{"/abs", "x"}.bytes(), kBadName},
        {"x:stream", RawEntry{"x:stream", "x"}.bytes(), kBadName},
        {"CON", RawEntry{"CON", "x"}.bytes(), kBadName},
        {"nul.txt", RawEntry{"nul.txt", "x"}.bytes(), kBadName},
        {"sub/com1", RawEntry{"sub/com1", "x"}.bytes(), kBadName},
        {"trailing dot", RawEntry{"x.", "x"}.bytes(), kBadName},
        {"trailing space", RawEntry{"dir /x", "x"}.bytes(), kBadName},
        {"wildcard", RawEntry{"a*b", "x"}.bytes(), kBadName},
        {"control character",
         RawEntry{"a\x01"
                  "b",
                  "x"}
             .bytes(),
         kBadName},
        {"empty name", RawEntry{"", "x"}.bytes(), kBadName},
        {"only a dot", RawEntry{".", "x"}.bytes(), kBadName},
        {"only a dot, directory", RawEntry{"./", "", '5'}.bytes(), ""},
        {"no NUL in 100 bytes", RawEntry{std::string(100, 'n'), "x"}.bytes(), "", std::string(100, 'n')},
        {"trail byte 5C inside a name", RawEntry{"表", "x"}.bytes(), "", "表"},
        {"hard link",
         tweaked(
             "hl", "", [](auto& b) { setField(b, 157, "../../outside"); }, '1')
             .bytes(),
         ""},
        {"symlink",
         tweaked(
             "sl", "", [](auto& b) { setField(b, 157, "C:\\windows"); }, '2')
             .bytes(),
         ""},
        {"character device", RawEntry{"cdev", "", '3'}.bytes(), ""},
        {"block device", RawEntry{"bdev", "", '4'}.bytes(), ""},
        {"FIFO", RawEntry{"fifo", "", '6'}.bytes(), ""},
        {"symlink with data", RawEntry{"sd", std::string(600, 's'), '2'}.bytes(), ""},
        {"GNU long name", RawEntry{"././@LongLink", "../../x", 'L'}.bytes() + RawEntry{"short", "x"}.bytes(),
         "invalid file"},
        {"pax header", RawEntry{"pax", "30 path=../../x\n", 'x'}.bytes() + RawEntry{"p", "x"}.bytes(), "invalid file"},
        {"size without terminator",
         tweaked("noterm", std::string(83, 'u'), [](auto& b) { setField(b, 124, "000000000123"); }).bytes(), "",
         "noterm"},
        {"mtime without terminator", tweaked("mt", "x", [](auto& b) { setField(b, 136, "777777777777"); }).bytes(), "",
         "mt"},
        {"non-octal size", tweaked("no", "x", [](auto& b) { setField(b, 124, "0000000009"); }).bytes(), "invalid file"},
        {"non-octal mtime", tweaked("nm", "x", [](auto& b) { setField(b, 136, "0000000x000"); }).bytes(),
         "invalid file"},
        {"base-256 size",
         tweaked("b256", "x", [](auto& b) { setField(b, 124, std::string("\x80\0\0\0\0\0\0\0\0\0\0\x01", 12)); })
             .bytes(),
         "invalid file"},
        {"size larger than the data", RawEntry{"big", "x"}.bytes().replace(124, 12, std::string("00000100000\0", 12)),
         "invalid file"},
        {"size larger than the data, checksum fixed",
         tweaked("big2", "x", [](auto& b) { setField(b, 124, "00000100000"); }).bytes(), "invalid file"},
        {"bad checksum", RawEntry{"bad", "x", '0', {}, false}.bytes(), "invalid file"},
        {"truncated header", RawEntry{"cut", "x"}.bytes().substr(0, 300), "invalid file"},
        {"truncated data block", RawEntry{"cutdata", std::string(1000, 'd')}.bytes().substr(0, 1200), "invalid file"},
        {"name list with ..", placeholder(0, "p") + nameList("../../escaped\n"), kBadName},
        {"name list with an absolute name", placeholder(0, "p") + nameList("C:\\escaped\n"), kBadName},
        {"name list with a device name", placeholder(0, "p") + nameList("ok\nAUX\n"), kBadName},
        {"name list naming a missing placeholder", placeholder(0, "zero") + nameList("zero.txt\nfirst.txt\n"), "",
         "zero.txt"},
        {"name list naming one target twice", placeholder(0, "A") + placeholder(1, "B") + nameList("t.txt\nt.txt\n"),
         "", "t.txt"},
        {"name list before the files", nameList("early.txt\n") + placeholder(0, "early"), "", "early.txt"},
        {"entry colliding with the placeholder directory", RawEntry{kLongDir, "file"}.bytes() + placeholder(0, "p"),
         "write file"},
    };
    return cases;
}

}  // namespace

TEST(ArchiveHostile, NothingOutsideTheDestinationChanges) {
    for (bool withoutAs3 : {false, true}) {
        for (const HostileCase& c : hostileCases()) {
            ScratchDir dir;
            makeDirectory(dir / "canary");
            writeBytes(dir / "canary\\keep.txt", "canary");
            writeBytes(dir / "x", "outside");
            makeDirectory(dir / "dest");
            makeDirectory(dir / "cwd");
            CurrentDirectory current(dir / "cwd");
            writeBytes(dir / "dest\\first.txt", "existing");
            writeBytes(dir / "a.mva", RawEntry{"ok.txt", "ok"}.bytes() + c.archive);
            std::map<std::string, std::string> before = world(dir);
            std::string outcome = extractOutcome(dir / "a.mva", dir / "dest", withoutAs3);
            std::string expected = c.outcome;
            if (withoutAs3 && expected == "invalid file" && std::string(c.what) == "bad checksum")
                expected = "invalid check sum";
            EXPECT_EQ(expected, outcome) << c.what;
            EXPECT_EQ(before, world(dir)) << c.what;
            EXPECT_EQ("ok", readBytes(dir / "dest\\ok.txt")) << c.what;
            // The existing file is never lost, and no temporary file is left.
            EXPECT_EQ("existing", readBytes(dir / "dest\\first.txt")) << c.what;
            for (const std::string& file : tbx::list_files(dir / "dest\\*.tmp", true))
                ADD_FAILURE() << c.what << ": " << file;
            if (!c.createdFile.empty()) {
                EXPECT_TRUE(fileExists(dir / "dest\\" + c.createdFile)) << c.what;
            }
        }
    }
}

TEST(ArchiveHostile, DamagedNameListsKeepExistingFiles) {
    ScratchDir dir;
    makeDirectory(dir / "dest");
    writeBytes(dir / "dest\\first.txt", "existing");
    writeBytes(dir / "a.mva", placeholder(0, "zero") + nameList("zero.txt\nfirst.txt\n"));
    ASSERT_EQ("", extractOutcome(dir / "a.mva", dir / "dest"));
    EXPECT_EQ("zero", readBytes(dir / "dest\\zero.txt"));
    EXPECT_EQ("existing", readBytes(dir / "dest\\first.txt"));  // no placeholder 1: left alone
    EXPECT_FALSE(directoryExists(dir / "dest\\" + kLongDir));

    writeBytes(dir / "b.mva", placeholder(0, "A") + placeholder(1, "B") + nameList("t.txt\nt.txt\n"));
    ASSERT_EQ("", extractOutcome(dir / "b.mva", dir / "dest"));
    EXPECT_EQ("B", readBytes(dir / "dest\\t.txt"));  // the later entry wins, as for plain names

    writeBytes(dir / "c.mva", placeholder(0, "p") + nameList("good.txt\n../bad\n"));
    EXPECT_EQ("invalid file name", extractOutcome(dir / "c.mva", dir / "dest"));
    EXPECT_FALSE(fileExists(dir / "dest\\good.txt"));  // checked before any move
}

TEST(ArchiveHostile, TruncatedDataNeverReplacesAnExistingFile) {
    ScratchDir dir;
    makeDirectory(dir / "dest");
    writeBytes(dir / "dest\\data.bin", "precious");
    writeBytes(dir / "a.mva", RawEntry{"data.bin", std::string(5000, 'n')}.bytes().substr(0, 512 + 2048));
    EXPECT_EQ("invalid file", extractOutcome(dir / "a.mva", dir / "dest"));
    EXPECT_EQ("precious", readBytes(dir / "dest\\data.bin"));
    EXPECT_EQ(1u, tbx::list_files(dir / "dest\\*.*", true).size());
}
