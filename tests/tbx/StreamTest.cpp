#include <stdexcept>
#include <vector>

#include "MovaraTest.h"
#include "tbx/Base64.h"
#include "tbx/FileUtil.h"
#include "tbx/Handles.h"
#include "tbx/nfstream.h"

using namespace movara_test;

TEST(NfStream, OpenFailureNamesThePathAndLeavesTheStreamFailed) {
    ScratchDir dir;
    std::string missing = dir / "none\\x.bin";
    try {
        tbx::nfstream stream(missing.c_str(), "rb");
        FAIL() << "opened a missing file";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ("error open file " + missing, e.what());
    }
    tbx::nfstream stream((dir / "a.bin").c_str(), "wb");
    EXPECT_TRUE(stream.good());
    EXPECT_THROW(stream.open(missing.c_str(), "rb"), std::runtime_error);
    EXPECT_FALSE(stream.good());  // the earlier file was closed first
    EXPECT_FALSE(stream.is_open());
}

TEST(NfStream, WritesReadsSeeksAndFlagsShortReads) {
    ScratchDir dir;
    std::string path = dir / "data.bin";
    {
        tbx::nfstream out(path.c_str(), "wb");
        EXPECT_EQ(5, out.write("hello", 5));
        out.printf("-%d-%s", 42, "表");
        EXPECT_TRUE(out.good());
        EXPECT_EQ(11L, out.tell());
        char buffer[4];
        EXPECT_EQ(0, out.read(buffer, 4));  // a write-only stream cannot read
        EXPECT_FALSE(out.good());
    }
    EXPECT_EQ("hello-42-表", readBytes(path));

    tbx::nfstream in(path.c_str(), "rb");
    char buffer[64] = {};
    EXPECT_EQ(3, in.read(buffer, 3));
    EXPECT_EQ(3L, in.tell());
    in.seek(5);
    EXPECT_EQ(4, in.read(buffer, 4));
    EXPECT_EQ("-42-", std::string(buffer, 4));
    EXPECT_TRUE(in.good());
    EXPECT_EQ(2, in.read(buffer, 10));
    EXPECT_FALSE(in.good());
    in.seek_end();
    EXPECT_EQ(11L, in.tell());
    std::string all = "stale";
    EXPECT_EQ("hello-42-表", in.read_all(all));
    EXPECT_EQ("hello-42-表", all);
}

TEST(NfStream, GetlineSplitsLinesAndStripsCarriageReturns) {
    ScratchDir dir;
    std::string path = dir / "lines.txt";
    std::string longLine(10000, 'x');
    longLine[4094] = 'y';
    writeBytes(path, "one\r\ntwo\n\n" + longLine + "\n" + std::string(4095, 'z') + "\nlast");
    tbx::nfstream in(path.c_str(), "rb");
    std::string line;
    in.getline(line);
    EXPECT_EQ("one", line);
    EXPECT_TRUE(in.good());
    in.getline(line);
    EXPECT_EQ("two", line);
    in.getline(line);
    EXPECT_EQ("", line);
    EXPECT_TRUE(in.good());
    in.getline(line);
    EXPECT_EQ(longLine, line);  // read in several 4,095-byte pieces
    EXPECT_TRUE(in.good());
    in.getline(line);
    EXPECT_EQ(std::string(4095, 'z'), line);  // exactly one full piece, then the line feed
    EXPECT_TRUE(in.good());
    EXPECT_EQ(5L + 4 + 1 + 10001 + 4096, in.tell());  // read-ahead is not counted
    in.getline(line);
    EXPECT_EQ("last", line);  // a last line without line feed hits the end
    EXPECT_FALSE(in.good());
    in.getline(line);
    EXPECT_EQ("", line);
    EXPECT_FALSE(in.good());
}

TEST(FileUtil, ReadAndWriteWholeFilesExactly) {
    ScratchDir dir;
    std::string bytes("\0\r\n\x1a\xff", 5);
    bytes += std::string(100000, 'q');
    tbx::write_file(dir / "f.bin", bytes);
    EXPECT_EQ(bytes, tbx::read_file(dir / "f.bin"));
    tbx::write_file(dir / "f.bin", "");
    EXPECT_EQ("", tbx::read_file(dir / "f.bin"));
    try {
        tbx::read_file(dir / "missing");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_EQ("cannt open " + (dir / "missing"), e.what());
    }
    EXPECT_THROW(tbx::write_file(dir / "no\\such\\dir", "x"), std::runtime_error);
}

// On x86 a whole read of a file past 4 GB came back cut to the size's low 32 bits.
TEST(FileUtil, AFileLongerThanAStringCanHoldFailsToReadInsteadOfComingBackShort) {
    if (sizeof(size_t) > 4) GTEST_SKIP() << "a 64-bit process holds any file";
    ScratchDir dir;
    std::string path = dir / "huge.bin";
    {
        // 4 GB and 5 bytes, sparse: the file system stores none of its zeros.
        tbx::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        LARGE_INTEGER end;
        end.QuadPart = (4LL << 30) + 5;
        ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
    }
    EXPECT_THROW(tbx::read_file(path), std::runtime_error);
}

TEST(FileUtil, ReadsAFileOthersHoldOpenForWritingOrDeleting) {
    ScratchDir dir;
    std::string path = dir / "held.xml";
    writeBytes(path, "kept");
    tbx::FileHandle holder(CreateFileA(path.c_str(), GENERIC_WRITE | DELETE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       0, nullptr));
    ASSERT_TRUE(holder.valid());
    EXPECT_EQ("kept", tbx::read_file(path));
}

TEST(FileUtil, ABareMaskListsTheCurrentDirectory) {
    ScratchDir dir;
    makeDirectory(dir / "sub");
    writeBytes(dir / "a.txt", "a");
    writeBytes(dir / "sub\\b.txt", "b");
    char previous[MAX_PATH];
    ASSERT_TRUE(GetCurrentDirectoryA(MAX_PATH, previous));
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    std::vector<std::string> files = tbx::list_files("*.txt", true);
    SetCurrentDirectoryA(previous);
    EXPECT_EQ((std::vector<std::string>{"sub\\b.txt", "a.txt"}), files);
}

TEST(Base64, EncodesAndDecodesAllLengthsAndSkipsNoise) {
    EXPECT_EQ("", tbx::base64_encode(""));
    EXPECT_EQ("Zg==", tbx::base64_encode("f"));
    EXPECT_EQ("Zm8=", tbx::base64_encode("fo"));
    EXPECT_EQ("Zm9v", tbx::base64_encode("foo"));
    EXPECT_EQ("Zm9vYmFy", tbx::base64_encode("foobar"));
    EXPECT_EQ("+/8=", tbx::base64_encode("\xfb\xff"));
    std::string all;
    for (int i = 0; i < 256; ++i) all += (char)i;
    for (size_t length = 0; length < 10; ++length) {
        std::string piece = all.substr(100, length);
        EXPECT_EQ(piece, tbx::base64_decode(tbx::base64_encode(piece))) << length;
    }
    EXPECT_EQ(all, tbx::base64_decode(tbx::base64_encode(all)));
    EXPECT_EQ("foobar", tbx::base64_decode("Zm9v\r\nYm Fy"));
    EXPECT_EQ("fo", tbx::base64_decode("Zm8=Zm9v"));  // stops at the first '='
    EXPECT_EQ("f", tbx::base64_decode("Zg"));         // no padding needed
    EXPECT_EQ("", tbx::base64_decode("Z"));           // leftover bits are dropped
}
