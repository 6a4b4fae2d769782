#include <windows.h>

#include "tbx/MvException.h"
#include "MovaraTest.h"
#include "security/MultiByteCompare.h"
#include "security/PathForms.h"
#include "security/RulePath.h"
#include "security/SecurityPaths.h"

using namespace security;

namespace {

using movara_test::ScratchDir;

// "表" is 95 5C in code page 932: its trail byte equals '\'.
const std::string kHyo = "\x95\x5C";

std::string shortPathOf(const std::string& path) {
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return std::string(buffer, length);
}

std::string currentDirectory() {
    char buffer[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
    return std::string(buffer, length);
}

// Makes dir the current directory for one scope.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& dir) : previous_(currentDirectory()) {
        SetCurrentDirectoryA(dir.c_str());
    }
    ~CurrentDirectory() { SetCurrentDirectoryA(previous_.c_str()); }

private:
    std::string previous_;
};

TEST(MultiByteCompare, FoldsAsciiAndFullWidthLatinOnly) {
    EXPECT_TRUE(equalsIgnoreCase("C:\\Data\\X.SWF", "c:\\data\\x.swf"));
    // Full-width Ａ (82 60) and ａ (82 81) are one letter in two cases.
    EXPECT_TRUE(equalsIgnoreCase("\x82\x60", "\x82\x81"));
    // Greek Α (83 9F) and α (83 BF) are compared exactly.
    EXPECT_FALSE(equalsIgnoreCase("\x83\x9F", "\x83\xBF"));
    // Trail bytes that look like 'a' and 'A' belong to two different katakana.
    EXPECT_FALSE(equalsIgnoreCase("\x83\x61", "\x83\x41"));
}

TEST(MultiByteCompare, MatchesOnlyOnCharacterBoundaries) {
    // The last byte of 表 is '\', but "表" does not end with "\".
    EXPECT_FALSE(endsWithIgnoreCase("C:\\" + kHyo, "\\"));
    EXPECT_TRUE(endsWithIgnoreCase("C:\\movies\\A.SWF", ".swf"));
    // A prefix may not end inside a double-byte character.
    EXPECT_FALSE(startsWithIgnoreCase("C:\\" + kHyo, "C:\\\x95"));
}

TEST(PathForms, SharesOfThisMachineInAnySpelling) {
    char computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &length));
    for (const char* host : {"localhost", "LOCALHOST.", "127.0.0.1", "127.1", "2130706433", "0x7f.0.0.1", "0177.0.0.1",
                             "0--1.ipv6-literal.net", (const char*)computer})
        EXPECT_TRUE(namesThisMachine("\\\\" + std::string(host) + "\\c$\\x")) << host;
    for (const char* host : {"fileserver", "128.0.0.1", "localhost2", "127.0.0.1.5"})
        EXPECT_FALSE(namesThisMachine("\\\\" + std::string(host) + "\\share\\x")) << host;
    EXPECT_FALSE(namesThisMachine("C:\\localhost"));
}

TEST(PathForms, StreamNamesAndDeviceNamespace) {
    EXPECT_TRUE(namesStream("C:\\a\\b.txt::$DATA"));
    EXPECT_TRUE(namesStream("C:\\a::$INDEX_ALLOCATION\\b"));
    EXPECT_TRUE(namesStream("\\\\server\\share\\b:s"));
    EXPECT_FALSE(namesStream("C:\\a\\b.txt"));
    EXPECT_TRUE(isDeviceNamespacePath("\\\\.\\CON"));
    EXPECT_TRUE(isDeviceNamespacePath("\\\\?\\C:\\x"));
    EXPECT_FALSE(isDeviceNamespacePath("\\\\server\\share"));
}

TEST(SecurityPaths, ExpandEnvironmentRefusesWhatDoesNotFit) {
    SetEnvironmentVariableA("MVR_SECURITY_TEST", "C:\\values");
    EXPECT_EQ(expandEnvironment("%MVR_SECURITY_TEST%\\x"), "C:\\values\\x");
    EXPECT_EQ(expandEnvironment("%NO_SUCH_VARIABLE_HERE%"), "%NO_SUCH_VARIABLE_HERE%");
    std::string fits(1023, 'a');
    EXPECT_EQ(expandEnvironment(fits), fits);
    SetEnvironmentVariableA("MVR_SECURITY_TEST", std::string(600, 'v').c_str());
    try {
        expandEnvironment("%MVR_SECURITY_TEST%%MVR_SECURITY_TEST%");
        FAIL() << "an expansion beyond 1,023 bytes was accepted";
    } catch (const MvException& e) {
        EXPECT_NE(std::string(e.what()).find("path format error %MVR_SECURITY_TEST%"), std::string::npos) << e.what();
    }
    SetEnvironmentVariableA("MVR_SECURITY_TEST", nullptr);
}

TEST(SecurityPaths, SpecialFolderPathOfKnownAndUnknownIds) {
    std::string windows = specialFolderPath(36);  // CSIDL_WINDOWS
    EXPECT_TRUE(equalsIgnoreCase(windows, "C:\\windows")) << windows;
    EXPECT_EQ(specialFolderPath(0x7f), "");
}

TEST(SecurityPaths, LongFullPathNormalisesExistingPaths) {
    ScratchDir scratch;
    std::string longDir = scratch / "Long Folder Name";
    movara_test::makeDirectory(longDir);
    movara_test::writeBytes(longDir + "\\file.txt", "x");
    std::string expected = longFullPath(longDir + "\\file.txt");

    EXPECT_EQ(longFullPath(shortPathOf(longDir) + "\\file.txt"), expected);
    std::string slashed = longDir + "/sub/../file.txt";
    EXPECT_EQ(longFullPath(slashed), expected);
    CurrentDirectory inside(longDir);
    EXPECT_EQ(longFullPath("file.txt"), expected);
    EXPECT_EQ(longFullPath(".\\..\\Long Folder Name\\file.txt"), expected);
}

TEST(SecurityPaths, LongFullPathKeepsMissingNamesAfterTheDeepestExistingAncestor) {
    ScratchDir scratch;
    std::string longDir = scratch / "Long Folder Name";
    movara_test::makeDirectory(longDir);
    std::string base = longFullPath(longDir);
    EXPECT_EQ(longFullPath(shortPathOf(longDir) + "\\new dir/new.txt"), base + "\\new dir\\new.txt");
    // Japanese names whose trail byte is '\' stay whole.
    EXPECT_EQ(longFullPath(shortPathOf(longDir) + "\\" + kHyo + "\\" + kHyo), base + "\\" + kHyo + "\\" + kHyo);
}

TEST(SecurityPaths, LongFullPathOfAnUnknownDriveIsStillResolved) {
    std::string drive;
    for (char letter = 'Q'; letter >= 'D' && drive.empty(); --letter) {
        std::string root = std::string(1, letter) + ":\\";
        if (GetDriveTypeA(root.c_str()) == DRIVE_NO_ROOT_DIR) drive = std::string(1, letter) + ":";
    }
    ASSERT_FALSE(drive.empty());
    // Nothing of it exists; ".." is still resolved rather than passed through.
    EXPECT_EQ(longFullPath(drive + "/a/../b"), drive + "\\b");
}

TEST(SecurityPaths, LongFullPathRefusesOverlongPaths) {
    ScratchDir scratch;
    EXPECT_THROW(longFullPath(scratch / std::string(300, 'a')), MvException);
    EXPECT_THROW(longFullPath(scratch / std::string(40000, 'a')), MvException);
    // Short enough for the full-path service, too long for a long path.
    std::string tail;
    while ((scratch.path() + tail).size() < 262) tail += "\\abcdefgh";
    EXPECT_THROW(longFullPath(scratch.path() + tail), MvException);
}

TEST(RulePath, ReplacesTheLongestSpecialFolderToken) {
    std::string desktop = specialFolderPath(0), desktopDirectory = specialFolderPath(16);
    std::string common = specialFolderPath(43), programFiles = specialFolderPath(38);
    ASSERT_FALSE(programFiles.empty());
    EXPECT_EQ(expandRulePath("$DESKTOPDIRECTORY\\x"), desktopDirectory + "\\x");
    EXPECT_EQ(expandRulePath("$DESKTOP\\x"), desktop + "\\x");
    EXPECT_EQ(expandRulePath("$PROGRAM_FILES_COMMON"), common);
    EXPECT_EQ(expandRulePath("$PROGRAM_FILES\\a"), programFiles + "\\a");
    EXPECT_EQ(expandRulePath("$PERSONAL\\notes"), specialFolderPath(5) + "\\notes");
}

TEST(RulePath, LeavesUnknownAndLaterTokensAsWritten) {
    EXPECT_EQ(expandRulePath("$OTHER\\x"), "$OTHER\\x");
    EXPECT_EQ(expandRulePath("$personal\\x"), "$personal\\x");
    EXPECT_EQ(expandRulePath("C:\\$WINDOWS\\$FONTS"), "C:\\" + specialFolderPath(36) + "\\$FONTS");
    // Only the first '$' is looked at.
    EXPECT_EQ(expandRulePath("C:\\a$b\\$FONTS"), "C:\\a$b\\$FONTS");
    // CSIDL_INTERNET has no folder: the token becomes empty.
    EXPECT_EQ(expandRulePath("x$INTERNET\\y"), "x\\y");
}

TEST(RulePath, ExpandsEnvironmentReferencesFirst) {
    SetEnvironmentVariableA("MVR_APP_PATH", movara_test::executableDirectory().c_str());
    SetEnvironmentVariableA("MVR_TOKEN_TEST", "$APPDATA");
    EXPECT_EQ(expandRulePath("%MVR_APP_PATH%\\data"), movara_test::executableDirectory() + "\\data");
    EXPECT_EQ(expandRulePath("%MVR_TOKEN_TEST%\\x"), specialFolderPath(26) + "\\x");
    SetEnvironmentVariableA("MVR_TOKEN_TEST", nullptr);
}

}  // namespace
