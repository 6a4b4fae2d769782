// The clipboard and drops from other programs through a running movara.exe:
// a peer program sets the clipboard or drags its data onto the window.
#include "MoviePrelude.h"
#include "MovaraRun.h"
#include "OlePeer.h"

using e2e::MovaraRun;
using e2e::withPrelude;
using movara_test::OlePeer;

namespace {

// Traces each drop; long data by its length.
const char* const kDropHandler = R"JS(
ExternalInterface.addCallback("onExtDrop", function (format, data, name) {
  trace("drop " + format + "|" + (data.length > 64 ? "length " + data.length : data) + "|" + name);
});
)JS";

// The window where the tests drop, clear of the peer's window.
const char* const kPlaceWindow = R"JS(
call("moveWindow", 300, 200, 400, 300);
)JS";

class ClipboardEndToEnd : public ::testing::Test {
protected:
    // Drags the peer's payload onto the program's window; the effect the peer saw.
    std::string dragOntoProgram(const std::string& payload) {
        std::string result = scratch_ / ("effect" + std::to_string(++drags_) + ".txt");
        OlePeer source("source 40 40 " + payload + " " + result);
        if (!source.ready()) return "the source did not start";
        movara_test::dragWithMouse({90, 90}, {500, 350});
        return movara_test::waitForPeerResult(result);  // comes once the drop has returned
    }

    // The text of the program's message box, closed; "" when none came.
    std::string messageBoxText(MovaraRun& run, DWORD timeoutMs = 15000) {
        HWND box = run.messageBox(timeoutMs);
        if (!box) return "";
        std::string text = e2e::messageBoxText(box);
        e2e::closeMessageBox(box);
        e2e::waitUntil([&] { return !IsWindow(box); }, 5000);
        return text;
    }

    movara_test::ScratchDir scratch_;
    int drags_ = 0;
};

std::string utf8(const std::string& text) { return movara_test::cp932ToUtf8(text); }

}  // namespace

TEST_F(ClipboardEndToEnd, TheMovieReadsTextAnotherProgramLeftOnTheClipboardAndReceivesDrops) {
    movara_test::writeBytes(scratch_ / "clip.txt", "クリップボードの文字");
    OlePeer clipboard("clip-text " + scratch_ / "clip.txt");
    ASSERT_TRUE(clipboard.ready());

    MovaraRun run;
    run.writeMovie(withPrelude(std::string(kDropHandler) + kPlaceWindow + R"JS(
report("clip", "getClipText");
trace("ready");
)JS"));
    run.start();
    EXPECT_EQ(run.waitForTrace("clip"), utf8("clip \"クリップボードの文字\""));
    run.waitForTrace("ready");

    EXPECT_EQ(dragOntoProgram("zero-byte"), "copy");
    EXPECT_EQ(run.waitForTrace("drop"), "drop FileContents|before|zero.bin");
}

TEST_F(ClipboardEndToEnd, AVirtualFileOfTwentyMebibytesIsAcceptedAndOneByteMoreIsRefused) {
    MovaraRun run;
    run.writeMovie(withPrelude(std::string(kDropHandler) + kPlaceWindow + R"JS(trace("ready");)JS"));
    run.start();
    run.waitForTrace("ready");

    dragOntoProgram("size:20971520");
    EXPECT_EQ(run.waitForTrace("drop", 30000), "drop FileContents|length 20971520|big.txt");

    OlePeer source("source 40 40 size:20971521 " + scratch_ / "over.txt");
    ASSERT_TRUE(source.ready());
    movara_test::dragWithMouse({90, 90}, {500, 350});
    EXPECT_EQ(messageBoxText(run), "ドロップファイルサイズが大き過ぎます。");
    movara_test::waitForPeerResult(scratch_ / "over.txt");
    int drops = 0;
    for (const std::string& line : run.traces()) drops += line.compare(0, 5, "drop ") == 0;
    EXPECT_EQ(drops, 1) << "no event for the refused file";
}

TEST_F(ClipboardEndToEnd, AMovieWithoutADropFunctionIsToldOfVirtualFilesButNotOfText) {
    MovaraRun run;
    run.writeMovie(withPrelude(std::string(kPlaceWindow) + R"JS(trace("ready");)JS"));
    run.start();
    run.waitForTrace("ready");

    std::string result = scratch_ / "files.txt";
    OlePeer source("source 40 40 two-files " + result);
    ASSERT_TRUE(source.ready());
    movara_test::dragWithMouse({90, 90}, {500, 350});
    EXPECT_EQ(messageBoxText(run), "未定義のエラー");  // one for each file
    EXPECT_EQ(messageBoxText(run), "未定義のエラー");
    EXPECT_EQ(movara_test::waitForPeerResult(result), "copy");

    EXPECT_EQ(dragOntoProgram("text"), "none");  // the failed event refuses the drop, silently
    EXPECT_EQ(messageBoxText(run, 1000), "");
    EXPECT_TRUE(run.running());
}
