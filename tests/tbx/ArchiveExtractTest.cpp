#include "../imaging/SwfBuilder.h"
#include "ArchiveTestSupport.h"
#include "tbx/FileUtil.h"
#include "tbx/PathString.h"

using namespace movara_test;
using namespace archive_test;

namespace {

const char kLongDir[] = "{97133CBE-01AD-4c66-A7F2-B74118AD2424}";

struct TreeFile {
    std::string relative;
    std::string data;
};

void makeTree(const std::string& root, const std::vector<TreeFile>& files) {
    for (const TreeFile& file : files) {
        tbx::create_directories(tbx::dir_name_of(root + "\\" + file.relative));
        writeBytes(root + "\\" + file.relative, file.data);
    }
}

// Bytes that differ from block to block, so a chunk written out of place shows.
std::string patterned(size_t size) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i % 251);
    return data;
}

}  // namespace

TEST(ArchiveExtract, RoundTripKeepsNamesContentsAndTimes) {
    ScratchDir dir;
    std::string deep = "表\\" + std::string(60, 'd') + "\\" + std::string(50, 'e') + ".bin";  // over 100 bytes
    std::vector<TreeFile> files = {
        {"empty.txt", ""},
        {"block.bin", std::string(512, '\x5c')},
        {"block1.bin", std::string(513, '\xff')},
        {"ソ\\表.txt", "表"},
        {deep, std::string(3000, 'z')},
        {"sub\\" + std::string(110, 'f'), "long"},
        // Either side of the sizes packed in one write and unpacked a chunk at a time.
        {"edge.bin", std::string(64 * 1024 + 1, 'k')},
        {"chunks.bin", patterned(600001)},
    };
    makeTree(dir / "src", files);
    setUnixMtime(dir / "src\\ソ\\表.txt", 1000000000);
    createFromDirectory(dir / "a.mva", dir / "src");

    ASSERT_EQ("", extractOutcome(dir / "a.mva", dir / "out"));
    for (const TreeFile& file : files) {
        EXPECT_EQ(file.data, readBytes(dir / "out\\src\\" + file.relative)) << file.relative;
        EXPECT_EQ(unixMtime(dir / "src\\" + file.relative), unixMtime(dir / "out\\src\\" + file.relative));
    }
    EXPECT_EQ(1000000000u, unixMtime(dir / "out\\src\\ソ\\表.txt"));
    EXPECT_FALSE(directoryExists(dir / "out\\" + kLongDir));  // removed once empty
    EXPECT_EQ(files.size(), tbx::list_files(dir / "out\\*.*", true).size());
}

TEST(ArchiveExtract, ZeroBlocksAndBlankChecksumsAreAccepted) {
    ScratchDir dir;
    RawEntry blank{"blank.txt", "no checksum"};
    blank.tweak = [](tbx::ArchiveBlock& block) { setField(block, 148, "        "); };
    std::string archive = RawEntry{"a.txt", "a"}.bytes() + std::string(1024, '\0') + RawEntry{"d", "", '5'}.bytes();
    // The blank field must survive the builder's checksum: write it after.
    std::string blankBytes = blank.bytes();
    blankBytes.replace(148, 8, "        ");
    writeBytes(dir / "a.mva", archive + blankBytes + std::string(10240, '\0'));
    ASSERT_EQ("", extractOutcome(dir / "a.mva", dir / "out"));
    EXPECT_EQ("a", readBytes(dir / "out\\a.txt"));
    EXPECT_TRUE(directoryExists(dir / "out\\d"));
    EXPECT_EQ("no checksum", readBytes(dir / "out\\blank.txt"));
    EXPECT_EQ(1500000000u, unixMtime(dir / "out\\d"));
}

TEST(ArchiveExtract, ExistingFilesAreReplacedIncludingLongNamedTargets) {
    ScratchDir dir;
    std::string longName = std::string(120, 'L');
    makeTree(dir / "src", {{"a.txt", "new"}, {longName, "new long"}});
    createFromDirectory(dir / "a.mva", dir / "src");
    makeTree(dir / "out\\src", {{"a.txt", "old old old"}, {longName, "old long"}, {"keep.txt", "keep"}});
    makeTree(dir / "out", {{std::string(kLongDir) + "\\unrelated", "stays"}});

    ASSERT_EQ("", extractOutcome(dir / "a.mva", dir / "out"));
    EXPECT_EQ("new", readBytes(dir / "out\\src\\a.txt"));
    EXPECT_EQ("new long", readBytes(dir / "out\\src\\" + longName));
    EXPECT_EQ("keep", readBytes(dir / "out\\src\\keep.txt"));
    // The reserved directory is removed only when empty; the name list goes.
    EXPECT_EQ("stays", readBytes(dir / "out\\" + kLongDir + "\\unrelated"));
    EXPECT_FALSE(fileExists(dir / "out\\" + kLongDir + "\\files"));
    EXPECT_FALSE(fileExists(dir / "out\\" + kLongDir + "\\0"));
}

TEST(ArchiveExtract, EveryTargetThatFitsIsWrittenBelowALongDirectory) {
    ScratchDir dir;
    std::string dest = dir.path();
    while (250 - dest.size() > 101) dest += "\\" + std::string(100, 'd');
    dest += "\\" + std::string(250 - dest.size() - 1, 'e');
    ASSERT_EQ(250u, dest.size());
    // Targets of 256, 252 and 259 bytes: the last is the longest path there is.
    std::vector<RawEntry> entries = {{"a.txt", "a"}, {"b", "b"}, {"abcd.txt", "full"}};
    std::string archive;
    for (const RawEntry& entry : entries) archive += entry.bytes();
    writeBytes(dir / "a.mva", archive);
    for (int round = 0; round < 2; ++round) {  // the second replaces existing files
        ASSERT_EQ("", extractOutcome(dir / "a.mva", dest)) << round;
        for (const RawEntry& entry : entries) EXPECT_EQ(entry.data, readBytes(dest + "\\" + entry.name)) << round;
        EXPECT_EQ(entries.size(), tbx::list_files(dest + "\\*", false).size()) << "no temporary file is left";
    }
}

TEST(ArchiveExtract, ChecksumAndDotDotFailuresKeepWhatWasUnpacked) {
    ScratchDir dir;
    writeBytes(dir / "bad.mva", RawEntry{"first.txt", "1"}.bytes() + RawEntry{"b", "2", '0', {}, false}.bytes());
    EXPECT_EQ("invalid file", extractOutcome(dir / "bad.mva", dir / "out"));
    EXPECT_EQ("invalid check sum", extractOutcome(dir / "bad.mva", dir / "out2", true));
    EXPECT_EQ("1", readBytes(dir / "out\\first.txt"));
    EXPECT_EQ("1", readBytes(dir / "out2\\first.txt"));

    // The variant looks for ".." in the whole target path.
    writeBytes(dir / "ok.mva", RawEntry{"x.txt", "x"}.bytes());
    EXPECT_EQ("", extractOutcome(dir / "ok.mva", dir / "out\\..\\out3"));
    EXPECT_EQ("invalid file name", extractOutcome(dir / "ok.mva", dir / "out\\..\\out4", true));
}

TEST(ArchiveExtract, VariantDeletesOnlyActionScript3Movies) {
    ScratchDir dir;
    using namespace swf_test;
    std::string as3 = movie(standardBody(fileAttributes(true) + endTag()), false);
    std::string as3Compressed = movie(standardBody(fileAttributes(true) + tag(1000, std::string(2000, 'q'))), true);
    std::string as2 = movie(standardBody(fileAttributes(false) + endTag()), true);
    // A header that claims more than the data holds does not hide a movie.
    std::string as3LongCompressed = movie(standardBody(fileAttributes(true) + endTag()), true, 10, 0x7FFFFFFF);
    std::string as3LongPlain = movie(standardBody(fileAttributes(true) + endTag()), false, 10, 100000);
    std::string longName = std::string(105, 'm') + ".swf";
    makeTree(dir / "src", {{"as3.swf", as3},
                           {"as3c.swf", as3Compressed},
                           {"as2.swf", as2},
                           {"as3long.swf", as3LongCompressed},
                           {"as3longplain.swf", as3LongPlain},
                           {"plain.txt", "FWS is not a movie"},
                           {"tiny.swf", "CWS"},
                           {longName, as3}});
    createFromDirectory(dir / "a.mva", dir / "src");

    ASSERT_EQ("", extractOutcome(dir / "a.mva", dir / "out", true));
    EXPECT_FALSE(fileExists(dir / "out\\src\\as3.swf"));
    EXPECT_FALSE(fileExists(dir / "out\\src\\as3c.swf"));
    EXPECT_FALSE(fileExists(dir / "out\\src\\" + longName));
    EXPECT_FALSE(fileExists(dir / "out\\src\\as3long.swf"));
    EXPECT_FALSE(fileExists(dir / "out\\src\\as3longplain.swf"));
    EXPECT_EQ(as2, readBytes(dir / "out\\src\\as2.swf"));
    EXPECT_EQ("FWS is not a movie", readBytes(dir / "out\\src\\plain.txt"));
    EXPECT_EQ("CWS", readBytes(dir / "out\\src\\tiny.swf"));

    ASSERT_EQ("", extractOutcome(dir / "a.mva", dir / "all"));
    EXPECT_EQ(as3, readBytes(dir / "all\\src\\" + longName));
}
