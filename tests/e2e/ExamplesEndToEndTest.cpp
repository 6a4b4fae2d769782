// The example movies an author copies: each plays in the program as shipped
// in examples/ and does what it says.
#include "MovaraRun.h"

using e2e::MovaraRun;

namespace {

std::string example(const std::string& name) { return movara_test::readBytes(std::string(MOVARA_EXAMPLES) + "/" + name); }

// A 24-bit bottom-up BMP file of one colour.
std::string bmpFile(int width, int height) {
    int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(54 + stride * height), 0, 0, 54};
    BITMAPINFOHEADER info = {sizeof(info), width, height, 1, 24, BI_RGB};
    return std::string(reinterpret_cast<const char*>(&file), 14) +
           std::string(reinterpret_cast<const char*>(&info), sizeof(info)) + std::string(stride * height, '\x60');
}

}  // namespace

TEST(ExamplesEndToEnd, TheFileBrowserListsAFolderAndThumbnailsItsPictures) {
    MovaraRun run;
    run.writeMovie(example("FileBrowser.js"));
    CreateDirectoryA(run.path("pictures").c_str(), nullptr);
    movara_test::writeBytes(run.path("pictures\\wide.bmp"), bmpFile(320, 160));
    movara_test::writeBytes(run.path("pictures\\readme.txt"), "12345");
    run.start();
    EXPECT_EQ(run.waitForTrace("browser: readme.txt"), "browser: readme.txt: 5 bytes");
    EXPECT_EQ(run.waitForTrace("browser: wide.bmp"), "browser: wide.bmp: 320x160, thumbnail 96x48");
    EXPECT_EQ(run.waitForTrace("browser: 2 entries"), "browser: 2 entries in " + movara_test::cp932ToUtf8(run.path("pictures")));
    EXPECT_TRUE(movara_test::fileExists(run.path("pictures\\thumbs\\wide.bmp.png")));
}

TEST(ExamplesEndToEnd, TheNotesKeepTheirNoteInTheirDataFolderUnderTheirPolicy) {
    MovaraRun run;
    run.writeSettings(example("Notes.xml"));
    run.writeMovie(example("Notes.js"));
    run.start("\"Ovara.swf?add=hello&quit=1\"");
    EXPECT_EQ(run.waitForTrace("notes: run"), "notes: run 1, note \"hello\"");
    EXPECT_EQ(run.waitForTrace("notes: outside"), "notes: outside refused: saveTextFile: file access exception");
    // The trace output says why; the movie got only the message above.
    EXPECT_EQ(run.waitForTrace("movara: \"saveTextFile\""),
              movara_test::cp932ToUtf8("movara: \"saveTextFile\": refused write of " + run.path("outside.txt") +
                                       ": no rule allows it"));
    EXPECT_TRUE(run.waitForExit());

    // The next run finds the note and the settings where the first left them.
    run.start("\"Ovara.swf?add=+world&quit=1\"");
    EXPECT_EQ(run.waitForTrace("notes: run"), "notes: run 2, note \"hello world\"");
    EXPECT_TRUE(run.waitForExit());
    EXPECT_FALSE(movara_test::fileExists(run.path("outside.txt")));
}

TEST(ExamplesEndToEnd, TheLauncherStartsTrustedProgramsAtOnceAndAsksForOthers) {
    MovaraRun run;
    run.writeSettings(example("Launcher.xml"));
    run.writeMovie(example("Launcher.js"));
    std::string child = movara_test::executableDirectory() + "\\shell_child.exe";
    CreateDirectoryA(run.path("apps").c_str(), nullptr);
    CreateDirectoryA(run.path("other").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(child.c_str(), run.path("apps\\child.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(child.c_str(), run.path("other\\child.exe").c_str(), FALSE));
    run.start("\"Ovara.swf?first=1&run=" + run.path("other\\child.exe") + "&quit=1\"");
    EXPECT_EQ(run.waitForTrace("launcher: 1 programs"), "launcher: 1 programs: child.exe");
    EXPECT_EQ(run.waitForTrace("launcher: ran"), movara_test::cp932ToUtf8("launcher: ran " + run.path("apps\\child.exe")));
    // The program outside the trusted folder waits for the user's answer.
    HWND box = run.messageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(e2e::messageBoxText(box).find("other\\child.exe"), std::string::npos);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
    EXPECT_EQ(run.waitForTrace("launcher: did not run"),
              movara_test::cp932ToUtf8("launcher: did not run (declined or failed) " + run.path("other\\child.exe")));
    EXPECT_TRUE(run.waitForExit());
}
