#include <algorithm>
#include <stdexcept>
#include <vector>

#include "MovaraTest.h"
#include "tbx/FileUtil.h"
#include "tbx/PathString.h"

using namespace movara_test;

// "表" is 95 5C and "ソ" is 83 5C in code page 932: their trail byte is '\'.
TEST(PathString, SplitsAtTheLastSeparatorOnlyBetweenCharacters) {
    EXPECT_EQ("C:\\a", tbx::dir_name_of("C:\\a\\*.*"));
    EXPECT_EQ("*.*", tbx::file_name_of("C:\\a\\*.*"));
    EXPECT_EQ("C:\\表", tbx::dir_name_of("C:\\表\\ソ"));
    EXPECT_EQ("ソ", tbx::file_name_of("C:\\表\\ソ"));
    EXPECT_EQ("", tbx::dir_name_of("表"));
    EXPECT_EQ("表", tbx::file_name_of("表"));
    EXPECT_EQ("a/b", tbx::dir_name_of("a/b\\c"));
    EXPECT_EQ("a\\b", tbx::dir_name_of("a\\b/c"));
    EXPECT_EQ("", tbx::file_name_of("C:\\a\\"));
    EXPECT_EQ("C:\\a", tbx::dir_name_of("C:\\a\\"));
    EXPECT_EQ("", tbx::dir_name_of("\\x"));  // a leading separator has no parent before it
    EXPECT_EQ("", tbx::dir_name_of("name"));
}

TEST(PathString, SlashesAndTrailingSeparatorsLeaveTrailBytesAlone) {
    EXPECT_EQ("C:/表/ソ/x", tbx::to_slashes("C:\\表\\ソ\\x"));
    EXPECT_EQ("表\\", tbx::with_trailing_separator("表"));  // the trailing 5C is a trail byte
    EXPECT_EQ("a\\", tbx::with_trailing_separator("a\\"));
    EXPECT_EQ("a/", tbx::with_trailing_separator("a/"));
    EXPECT_EQ("", tbx::with_trailing_separator(""));
}

TEST(PathString, CharacterScansSkipTrailBytes) {
    const std::string hyo = "表";
    EXPECT_EQ(tbx::find_character("a" + hyo + "b\\c", '\\'), 4u);
    EXPECT_EQ(tbx::find_character(hyo, '\\'), std::string::npos);
    EXPECT_EQ(tbx::find_character("a\\b\\c", '\\', 2), 3u);
    EXPECT_EQ(tbx::find_last_character("a\\" + hyo, '\\'), 1u);
    EXPECT_FALSE(tbx::ends_with_character("C:\\\x83\x7E", '~'));  // a trail byte equal to '~'
    EXPECT_TRUE(tbx::ends_with_character("C:\\x~", '~'));
    EXPECT_FALSE(tbx::ends_with_separator("C:\\" + hyo));
    EXPECT_TRUE(tbx::ends_with_separator("C:\\" + hyo + "/"));
    EXPECT_EQ("_" + hyo + "_x", tbx::replace_characters("\\" + hyo + ":x", "\\:", '_'));
}

TEST(FileUtil, ListFilesPutsSubdirectoriesFirstAndSkipsDotNames) {
    ScratchDir dir;
    makeDirectory(dir / "sub");
    makeDirectory(dir / "sub\\表");
    makeDirectory(dir / ".hidden");
    writeBytes(dir / "top.txt", "1");
    writeBytes(dir / "top.png", "2");
    writeBytes(dir / ".dotfile", "3");
    writeBytes(dir / "sub\\inner.txt", "4");
    writeBytes(dir / "sub\\表\\deep.txt", "5");
    writeBytes(dir / ".hidden\\secret.txt", "6");

    std::vector<std::string> all = tbx::list_files(dir / "*.*", true);
    auto at = [&](const std::string& path) { return std::find(all.begin(), all.end(), path) - all.begin(); };
    ASSERT_EQ(4u, all.size());
    EXPECT_LT(at(dir / "sub\\表\\deep.txt"), at(dir / "sub\\inner.txt"));
    EXPECT_LT(at(dir / "sub\\inner.txt"), at(dir / "top.txt"));
    EXPECT_LT(at(dir / "sub\\inner.txt"), at(dir / "top.png"));

    std::vector<std::string> texts = tbx::list_files(dir / "*.txt", true);
    EXPECT_EQ(3u, texts.size());
    std::vector<std::string> flat = tbx::list_files(dir / "*.*", false);
    EXPECT_EQ(2u, flat.size());
    EXPECT_TRUE(tbx::list_files(dir / "missing\\*.*", true).empty());
}

TEST(FileUtil, CreateDirectoriesMakesEveryMissingLevel) {
    ScratchDir dir;
    tbx::create_directories(dir / "a\\表\\c\\");
    EXPECT_TRUE(directoryExists(dir / "a\\表\\c"));
    tbx::create_directories(dir / "a\\表\\c");  // already there: nothing to do
    EXPECT_TRUE(directoryExists(dir / "a\\表\\c"));
    tbx::create_directories("");
    writeBytes(dir / "file", "x");
    tbx::create_directories(dir / "file\\below");  // fails silently under a file
    EXPECT_FALSE(directoryExists(dir / "file\\below"));
}

TEST(FileUtil, CreateDirectoriesJudgesEveryMissingFolderBeforeMakingAny) {
    ScratchDir dir;
    makeDirectory(dir / "a");
    std::vector<std::string> asked;
    tbx::create_directories(dir / "a\\b\\c", [&](const std::string& folder) {
        asked.push_back(folder);
        return folder;
    });
    EXPECT_EQ((std::vector<std::string>{dir / "a\\b", dir / "a\\b\\c"}), asked);
    EXPECT_TRUE(directoryExists(dir / "a\\b\\c"));

    auto refuseY = [](const std::string& folder) -> std::string {
        if (folder.back() == 'y') throw std::runtime_error("refused");
        return folder;
    };
    EXPECT_THROW(tbx::create_directories(dir / "x\\y", refuseY), std::runtime_error);
    EXPECT_FALSE(directoryExists(dir / "x"));

    // A folder is made under the name the check answers, and so is what lies below it.
    const std::string spaced = dir / "p ";
    tbx::create_directories(spaced + "\\q",
                            [&](const std::string& folder) { return folder == spaced ? dir / "p" : folder; });
    EXPECT_TRUE(directoryExists(dir / "p\\q"));
}
