// The ground every other suite stands on: Wine runs with the Japanese ANSI code
// page, and the file helpers move exact bytes.
#include "MovaraTest.h"

using namespace movara_test;

TEST(Environment, AnsiCodePageIsJapanese) {
    EXPECT_EQ(932u, GetACP());
    // The narrow literal below is compiled to Shift_JIS: 0x95 0x5C is "表".
    const std::string hyou = "表";
    ASSERT_EQ(2u, hyou.size());
    EXPECT_EQ('\x95', hyou[0]);
    EXPECT_EQ('\x5C', hyou[1]);
    EXPECT_TRUE(IsDBCSLeadByte((BYTE)hyou[0]));
    EXPECT_EQ(hyou, utf8ToCp932("\xE8\xA1\xA8"));
}

TEST(Environment, ScratchDirHoldsExactBytesAndIsRemoved) {
    std::string kept;
    {
        ScratchDir dir;
        kept = dir.path();
        ASSERT_TRUE(directoryExists(kept));
        std::string bytes("a\r\nb\0c\x1a\xff", 8);
        writeBytes(dir / "表.bin", bytes);
        EXPECT_EQ(bytes, readBytes(dir / "表.bin"));
        makeDirectory(dir / "sub");
        writeBytes(dir / "sub\\x", "");
        EXPECT_EQ("", readBytes(dir / "sub\\x"));
    }
    EXPECT_FALSE(directoryExists(kept));
}
