#include <cstring>

#include "ArchiveTestSupport.h"
#include "tbx/ArchiveTime.h"
#include "tbx/FileUtil.h"
#include "tbx/PathString.h"

using namespace movara_test;
using namespace archive_test;

namespace {

const char kLongDir[] = "{97133CBE-01AD-4c66-A7F2-B74118AD2424}";

unsigned checksumOf(const std::string& header) {
    unsigned sum = 0;
    for (size_t i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? 0x20u : (unsigned char)header[i];
    return sum;
}

std::string field(const std::string& header, size_t offset, size_t width) { return header.substr(offset, width); }

std::string createArchive(const std::string& path, const std::string& base, const std::vector<std::string>& files) {
    {
        tbx::nfstream out(path.c_str(), "wb");
        tbx::archive_create(out, base, files);
    }
    return readBytes(path);
}

}  // namespace

TEST(ArchiveFormat, OneTenByteFileIsOneHeaderAndOnePaddedBlock) {
    ScratchDir dir;
    makeDirectory(dir / "set");
    writeBytes(dir / "set\\a.txt", "0123456789");
    setUnixMtime(dir / "set\\a.txt", 1234567890);
    std::string archive = createFromDirectory(dir / "out.mva", dir / "set");

    ASSERT_EQ(1024u, archive.size());
    std::string header = archive.substr(0, 512);
    EXPECT_EQ(std::string("set/a.txt") + std::string(91, '\0'), field(header, 0, 100));
    EXPECT_EQ(std::string("0000666\0", 8), field(header, 100, 8));
    EXPECT_EQ(std::string("   0000\0", 8), field(header, 108, 8));
    EXPECT_EQ(std::string("   0000\0", 8), field(header, 116, 8));
    EXPECT_EQ(std::string("00000000012\0", 12), field(header, 124, 12));
    EXPECT_EQ(std::string("11145401322\0", 12), field(header, 136, 12));  // 1234567890
    char checksum[9];
    snprintf(checksum, sizeof checksum, "%07o", checksumOf(header));
    EXPECT_EQ(std::string(checksum, 8), field(header, 148, 8));
    EXPECT_EQ('0', header[156]);
    EXPECT_EQ(std::string(100, '\0'), field(header, 157, 100));
    EXPECT_EQ(std::string("ustar  \0", 8), field(header, 257, 8));
    EXPECT_EQ(std::string("none") + std::string(28, '\0'), field(header, 265, 32));
    EXPECT_EQ(std::string(32 + 183, '\0'), field(header, 297, 215));
    EXPECT_EQ("0123456789", archive.substr(512, 10));
    EXPECT_EQ(std::string(502, '\0'), archive.substr(522));
}

TEST(ArchiveFormat, NamesOf100BytesOrMoreGoToNumberedEntriesAndTheNameList) {
    ScratchDir dir;
    std::string base = dir / "b";
    makeDirectory(base);
    makeDirectory(base + "\\表");
    // Relative names of 99, 100 and 101 bytes; "表/" is 3 bytes.
    std::string name99 = "表/" + std::string(96, 'n');
    std::string name100 = "表/" + std::string(97, 'm');
    std::string name101 = std::string(101, 'k');
    std::vector<std::string> files;
    for (const std::string& name : {name99, name100, name101}) {
        std::string path = base + "\\" + (name[0] == 'k' ? name : "表\\" + name.substr(3));
        writeBytes(path, name);
        files.push_back(path);
    }
    std::string archive = createArchive(dir / "out.mva", base, files);

    // Entries of 99, 100 and 101 data bytes: one data block each.
    ASSERT_EQ(4u * 1024, archive.size());
    EXPECT_EQ(name99, nameAt(archive, 0));
    EXPECT_EQ(std::string(kLongDir) + "/0", nameAt(archive, 1024));
    EXPECT_EQ(std::string(kLongDir) + "/1", nameAt(archive, 2048));
    EXPECT_EQ(name100, archive.substr(1024 + 512, 100));
    std::string listHeader = archive.substr(3072, 512);
    EXPECT_EQ(std::string(kLongDir) + "/files", nameAt(listHeader, 0));
    EXPECT_EQ(44u, nameAt(listHeader, 0).size());
    EXPECT_EQ('0', listHeader[156]);
    std::string list = name100 + "\n" + name101 + "\n";
    EXPECT_EQ(list, archive.substr(3584, list.size()));
    EXPECT_EQ(std::string(512 - list.size(), '\0'), archive.substr(3584 + list.size()));
    uint64_t size = 0, mtime = 0;
    ASSERT_TRUE(tbx::parse_archive_octal(listHeader.c_str() + 124, 12, size));
    ASSERT_TRUE(tbx::parse_archive_octal(listHeader.c_str() + 136, 12, mtime));
    EXPECT_EQ(list.size(), size);
    EXPECT_NEAR((double)tbx::current_time_unix(), (double)mtime, 120.0);
}

TEST(ArchiveFormat, EmptyTreesGiveEmptyArchivesThatUnpackToNothing) {
    ScratchDir dir;
    makeDirectory(dir / "empty");
    makeDirectory(dir / "empty\\.git");
    writeBytes(dir / "empty\\.git\\config", "x");
    writeBytes(dir / "empty\\.profile", "x");
    makeDirectory(dir / "empty\\sub");
    EXPECT_EQ("", createFromDirectory(dir / "out.mva", dir / "empty"));
    makeDirectory(dir / "dest");
    EXPECT_EQ("", extractOutcome(dir / "out.mva", dir / "dest"));
    EXPECT_TRUE(tbx::list_files(dir / "dest\\*.*", true).empty());
}

TEST(ArchiveFormat, BaseDirectoryDecidesWhereNamesBegin) {
    ScratchDir dir;
    makeDirectory(dir / "set");
    makeDirectory(dir / "set\\img");
    writeBytes(dir / "set\\img\\a.png", "png");
    writeBytes(dir / "set\\.hidden", "no");

    EXPECT_EQ("set/img/a.png", nameAt(createFromDirectory(dir / "1.mva", dir / "set"), 0));
    EXPECT_EQ("img/a.png", nameAt(createFromDirectory(dir / "2.mva", dir / "set\\"), 0));
    std::string relative = createArchive(dir / "3.mva", dir / "set",
                                         tbx::list_files(tbx::with_trailing_separator(dir / "set") + "*.*", true));
    EXPECT_EQ(1024u, relative.size());
    EXPECT_EQ("img/a.png", nameAt(relative, 0));
}

TEST(ArchiveFormat, ListedDirectoriesAndDoubleByteNamesAreStoredExactly) {
    ScratchDir dir;
    makeDirectory(dir / "表");
    writeBytes(dir / "表\\ソ.txt", std::string(512, 'x'));
    std::string archive = createArchive(dir / "out.mva", dir.path(), {dir / "表", dir / "表\\ソ.txt"});
    ASSERT_EQ(512u + 1024u, archive.size());  // no padding after exactly 512 data bytes
    EXPECT_EQ("表", nameAt(archive, 0));
    EXPECT_EQ('5', archive[156]);
    EXPECT_EQ(std::string("00000000000\0", 12), archive.substr(124, 12));
    EXPECT_EQ("表/ソ.txt", nameAt(archive, 512));  // trail bytes 5C stay as they are
    EXPECT_EQ('0', archive[512 + 156]);
}

TEST(ArchiveFormat, AFileThatCannotBeReadStopsTheArchive) {
    ScratchDir dir;
    writeBytes(dir / "a.txt", "a");
    try {
        createArchive(dir / "out.mva", dir.path(), {dir / "a.txt", dir / "gone.txt"});
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_EQ("cannt open " + (dir / "gone.txt"), e.what());
    }
    EXPECT_EQ(1024u, readBytes(dir / "out.mva").size());  // what was written stays
}

// Entries on both sides of the writer's one-megabyte buffer, and after it has
// filled, keep their bytes, sizes and padding in order.
TEST(ArchiveFormat, EntriesAcrossTheWriteBufferKeepTheirBytesInOrder) {
    ScratchDir dir;
    makeDirectory(dir / "set");
    const size_t sizes[] = {700000, 1047552, 1047553, 3 * 1048576 + 7, 10, 0, 1048576};
    std::vector<std::string> files, contents;
    for (size_t i = 0; i < sizeof sizes / sizeof sizes[0]; ++i) {
        std::string data(sizes[i], '\0');
        for (size_t j = 0; j < data.size(); ++j) data[j] = (char)('a' + (j * 31 + i) % 26);
        files.push_back(dir / ("set\\f" + std::to_string(i)));
        writeBytes(files.back(), data);
        contents.push_back(data);
    }
    std::string archive = createArchive(dir / "out.mva", dir.path(), files);
    size_t offset = 0;
    for (size_t i = 0; i < contents.size(); ++i) {
        ASSERT_LE(offset + 512, archive.size());
        EXPECT_EQ("set/f" + std::to_string(i), nameAt(archive, offset));
        EXPECT_EQ(std::stoull(archive.substr(offset + 124, 11), nullptr, 8), contents[i].size());
        offset += 512;
        EXPECT_TRUE(archive.compare(offset, contents[i].size(), contents[i]) == 0) << "entry " << i;
        offset += contents[i].size();
        const size_t padding = (512 - contents[i].size() % 512) % 512;
        EXPECT_EQ(std::string(padding, '\0'), archive.substr(offset, padding));
        offset += padding;
    }
    EXPECT_EQ(archive.size(), offset);
}

TEST(ArchiveFormat, SizesBeyondTheElevenDigitFieldAreRefused) {
    EXPECT_THROW(tbx::make_archive_header("big", tbx::kMaxEntrySize + 1, 0, '0'), std::runtime_error);
    tbx::ArchiveBlock block = tbx::make_archive_header("big", tbx::kMaxEntrySize, 0, '0');
    EXPECT_EQ(std::string("77777777777\0", 12), std::string(block.data() + 124, 12));
}

TEST(ArchiveFormat, AnArchiveWrittenInsideTheTreeItPacksListsItself) {
    ScratchDir dir;
    writeBytes(dir / "a.txt", "a");
    std::string archive = createFromDirectory(dir / "self.mva", dir.path());
    std::string self = tbx::file_name_of(dir.path()) + "/self.mva";
    EXPECT_TRUE(nameAt(archive, 0) == self || nameAt(archive, 1024) == self);
}
