#include "tbx/MvException.h"
#include "services/common/PathUtilities.h"
#include "MovaraTest.h"
#include "tbx/TbException.h"

using namespace movara_test;

TEST(PathUtilities, TrailingSeparatorIsAddedOrRemovedByCharacterNotByte) {
    EXPECT_EQ("C:\\a\\", setTrailingSeparator("C:\\a", true));
    EXPECT_EQ("C:\\a/", setTrailingSeparator("C:\\a/", true));
    EXPECT_EQ("\\", setTrailingSeparator("", true));
    EXPECT_EQ("C:\\a", setTrailingSeparator("C:\\a\\", false));
    EXPECT_EQ("C:\\a\\", setTrailingSeparator("C:\\a\\\\", false));  // only one is removed
    EXPECT_EQ("", setTrailingSeparator("", false));
    // The second byte of 表 is 0x5C: the path does not end in a separator.
    EXPECT_EQ("C:\\表\\", setTrailingSeparator("C:\\表", true));
    EXPECT_EQ("C:\\表", setTrailingSeparator("C:\\表", false));
}

TEST(PathUtilities, JoinPathPutsOneSeparatorAndRefusesShortDirectories) {
    EXPECT_EQ("C:\\a\\b", joinPath("C:\\a", "b"));
    EXPECT_EQ("C:\\a\\b", joinPath("C:\\a\\", "b"));
    EXPECT_EQ("C:/b", joinPath("C:/", "b"));
    EXPECT_EQ("C:\\表\\b", joinPath("C:\\表", "b"));
    for (const char* tooShort : {"", "C"}) {
        try {
            joinPath(tooShort, "x");
            ADD_FAILURE() << tooShort;
        } catch (const MvException& e) {
            EXPECT_STREQ("ディレクトリ名が短過ぎます。0", e.what());
        }
    }
}

TEST(PathUtilities, LastWriteTimeReadsTheFileAndNamesAMissingOneInItsError) {
    ScratchDir dir;
    writeBytes(dir / "f", "x");
    FILETIME set = {0x12345678, 0x01D00000};
    HANDLE file = CreateFileA((dir / "f").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &set);
    CloseHandle(file);
    FILETIME got = lastWriteTime(dir / "f");
    EXPECT_EQ(0, CompareFileTime(&set, &got));
    try {
        lastWriteTime(dir / "missing");
        FAIL();
    } catch (const TbException& e) {
        EXPECT_EQ("ファイルの更新時刻取得に失敗しました。file:" + (dir / "missing") + ",code:2", e.message());
    }
}
