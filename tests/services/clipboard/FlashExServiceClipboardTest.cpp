// The clipboard service with another program on the other side: a peer
// process sets the clipboard or receives the files dragged out.
#include "MovaraTest.h"

#include <thread>

#include "services/clipboard/ClipboardFormatName.h"
#include "services/clipboard/FileDropBlock.h"
#include "services/clipboard/FlashExServiceClipboard.h"
#include "GdiplusTestSupport.h"
#include "OlePeer.h"
#include "ServiceTestSupport.h"
#include "imaging/MvGpImageConverter.h"

using movara_test::OlePeer;
using movara_test::ScratchDir;
using namespace service_test;

namespace {

std::string blockBytes(const tbx::GlobalMemory& block) {
    tbx::GlobalLockGuard lock(block.get());
    return std::string(static_cast<const char*>(lock.data()), lock.size());
}

std::string longPathOf(const std::string& path) {
    char buffer[MAX_PATH] = "";
    DWORD length = GetLongPathNameA(path.c_str(), buffer, sizeof(buffer));
    return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : path;
}

bool clipboardCanBeOpened() {
    if (!OpenClipboard(nullptr)) return false;
    CloseClipboard();
    return true;
}

void emptyClipboard() {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    CloseClipboard();
}

FlashExParam* pathList(std::initializer_list<std::string> paths) {
    auto* list = new FlashExParamArray;
    for (const std::string& path : paths) list->pushString(path);
    return list;
}

class FlashExServiceClipboardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { OleInitialize(nullptr); }
    static void TearDownTestSuite() { OleUninitialize(); }
    void TearDown() override { emptyClipboard(); }

    OlePeer clipboardText(const std::string& text) {
        movara_test::writeBytes(scratch_ / "clip.txt", text);
        return OlePeer("clip-text " + scratch_ / "clip.txt");
    }

    movara_test::GdiplusSession graphics_;
    TestWindows windows_;
    MvGpImageConverter encoders_;
    FlashExServiceClipboard service_{testPolicy(), windows_, encoders_};
    ScratchDir scratch_;
};

// A window of this process in which the mouse button goes down, as when a
// user starts dragging in the program's window.
class PressedWindow {
public:
    explicit PressedWindow(POINT at, bool press = true) : at_(at) {
        // SS_NOTIFY: a plain static is transparent to the hit test that finds
        // the window under the cursor.
        window_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | WS_BORDER | SS_NOTIFY, at.x - 50,
                                  at.y - 50, 100, 100, nullptr, nullptr, nullptr, nullptr);
        if (press) this->press();
    }
    ~PressedWindow() { DestroyWindow(window_); }
    void press() {
        movara_test::xdotool("mousemove " + std::to_string(at_.x) + " " + std::to_string(at_.y) + " mousedown 1");
        for (DWORD start = GetTickCount(); GetTickCount() - start < 5000 && !pressed();) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            Sleep(10);
        }
    }
    bool pressed() const { return (GetKeyState(VK_LBUTTON) & 0x8000) != 0; }
    HWND window() const { return window_; }

private:
    POINT at_;
    HWND window_;
};

// Moves the held button from `from` to `to` and releases it there on another
// thread while the drag loop runs on this one; failure() says what went wrong.
class MouseDrag {
public:
    MouseDrag(POINT from, POINT to)
        : thread_([this, from, to] {
              try {
                  movara_test::moveAndRelease(from, to);
              } catch (const std::exception& e) {
                  failure_ = e.what();
              }
          }) {}
    ~MouseDrag() { finish(); }
    const std::string& failure() {
        finish();
        return failure_;
    }

private:
    void finish() {
        if (thread_.joinable()) thread_.join();
    }
    std::string failure_;
    std::thread thread_;
};

const char* const kNoButtonHeld = "ドラッグはこのウィンドウの上でマウスのボタンを押している間だけ始められます。";

}  // namespace

TEST(ClipboardFormatName, StandardFormatsHaveFixedNamesOthersTheirRegisteredNames) {
    struct Case {
        unsigned format;
        const char* name;
    } cases[] = {
        {CF_TEXT, "text"},
        {CF_BITMAP, "bitmap"},
        {CF_OEMTEXT, "oemText"},
        {CF_UNICODETEXT, "unicodeText"},
        {CF_ENHMETAFILE, "enhMmetafile"},
        {CF_HDROP, "hdrop"},
        {CF_LOCALE, "locale"},
        {0, ""},
        {CF_DIBV5, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(clipboardFormatName(c.format), c.name) << c.format;
    EXPECT_EQ(clipboardFormatName(RegisterClipboardFormatA("UniformResourceLocator")), "UniformResourceLocator");
}

TEST(FileDropBlock, HoldsTheHeaderAndEachNameWithItsNulAndOneMoreNul) {
    std::string header("\x14\0\0\0", 4);
    header.append(16, '\0');  // drop point, non-client flag, narrow names
    EXPECT_EQ(blockBytes(makeFileDropBlock({"C:\\a.txt", "C:\\表\\b"})),
              header + std::string("C:\\a.txt\0C:\\表\\b\0\0", 18));
    EXPECT_EQ(blockBytes(makeFileDropBlock({})), header + std::string(1, '\0'));
}

TEST_F(FlashExServiceClipboardTest, TextLeftByAnotherProgramIsReadUntilTheClipboardIsEmptied) {
    OlePeer peer = clipboardText("クリップボードの文字 text");
    ASSERT_TRUE(peer.ready());
    Result text = call(service_, "getClipText");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->getString(), "クリップボードの文字 text");

    EXPECT_EQ(call(service_, "emptyClip"), nullptr);
    EXPECT_EQ(call(service_, "getClipText"), nullptr) << "an empty clipboard has no text";
    EXPECT_TRUE(clipboardCanBeOpened());
}

TEST_F(FlashExServiceClipboardTest, TheSizeOfABitmapLeftByAnotherProgram) {
    {
        OlePeer peer("clip-bitmap 37 23");
        ASSERT_TRUE(peer.ready());
        Result size = call(service_, "getClipBitmapSize");
        std::string xml;
        size->writeXML(xml);
        EXPECT_EQ(xml,
                  "<object><property id=\"h\"><number>23</number></property>"
                  "<property id=\"w\"><number>37</number></property></object>");
    }
    OlePeer text = clipboardText("only text");
    ASSERT_TRUE(text.ready());
    EXPECT_EQ(failure(service_, "getClipBitmapSize"), "クリップボード内にビットマップがありません。");
    EXPECT_TRUE(clipboardCanBeOpened());
}

TEST_F(FlashExServiceClipboardTest, ABitmapIsSavedWithTheEncoderItsExtensionNames) {
    OlePeer peer("clip-bitmap 37 23");
    ASSERT_TRUE(peer.ready());
    std::string png = scratch_ / "clip.png";
    EXPECT_EQ(call(service_, "saveClipBitmap", {str(png)}), nullptr);
    ASSERT_TRUE(movara_test::isPngData(movara_test::readBytes(png)));
    movara_test::TestImage image = movara_test::loadImage(png);
    ASSERT_NE(image, nullptr);
    SIZE size = movara_test::imageSize(image.get());
    ASSERT_EQ(size.cx, 37);
    ASSERT_EQ(size.cy, 23);
    int wrong = 0;
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) {
            COLORREF expected = movara_test::peerBitmapPixel(x, y);
            Gdiplus::ARGB argb = movara_test::pixelAt(image.get(), x, y);
            wrong += RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF) != expected;
        }
    EXPECT_EQ(wrong, 0);

    // Failures leave the clipboard closed and write nothing.
    EXPECT_EQ(failure(service_, "saveClipBitmap", {str(scratch_ / "clip.unknown")}), "codec not found");
    EXPECT_TRUE(clipboardCanBeOpened());
    EXPECT_EQ(failure(service_, "saveClipBitmap", {str(scratch_ / "forbidden")}), "file access exception");
    EXPECT_FALSE(movara_test::fileExists(scratch_ / "clip.unknown"));
    EXPECT_FALSE(movara_test::fileExists(scratch_ / "forbidden"));
}

TEST_F(FlashExServiceClipboardTest, DraggedFilesReachTheOtherProgramAsAbsolutePaths) {
    std::string directory = longPathOf(scratch_.path());
    movara_test::writeBytes(directory + "\\表示.txt", "1");
    movara_test::writeBytes(directory + "\\two.txt", "2");
    std::string result = scratch_ / "dropped.txt";
    OlePeer target("target 500 300 " + result);
    ASSERT_TRUE(target.ready());

    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof(previous), previous);
    SetCurrentDirectoryA(directory.c_str());
    PressedWindow source({110, 110});
    ASSERT_TRUE(source.pressed()) << "the left button never went down in the source window";
    windows_.host = source.window();
    MouseDrag mouse({110, 110}, {600, 400});
    Result answer = call(service_, "doDragFile", {pathList({"表示.txt", directory + "\\two.txt"})});
    EXPECT_EQ(mouse.failure(), "");
    SetCurrentDirectoryA(previous);

    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(movara_test::waitForPeerResult(result),
              "files 2\n" + directory + "\\表示.txt\n" + directory + "\\two.txt\n");
}

// The button is held throughout, so a refused list that started a drag anyway
// would take the mouse's drop from the empty list's drag.
TEST_F(FlashExServiceClipboardTest, ARefusedPathStartsNoDragAndAnEmptyListDragsAnEmptyList) {
    std::string result = scratch_ / "dropped.txt";
    OlePeer target("target 500 300 " + result);
    ASSERT_TRUE(target.ready());
    PressedWindow source({110, 110});
    ASSERT_TRUE(source.pressed()) << "the left button never went down in the source window";
    windows_.host = source.window();

    MouseDrag mouse({110, 110}, {600, 400});
    std::string tooLong = "C:\\" + std::string(300, 'd') + ".txt";
    EXPECT_EQ(failure(service_, "doDragFile", {pathList({scratch_ / "a.txt", scratch_ / "forbidden"})}),
              "file access exception");
    EXPECT_EQ(failure(service_, "doDragFile", {pathList({scratch_ / "a.txt", tooLong})}),
              "path format error " + tooLong + " code=206");
    EXPECT_EQ(call(service_, "doDragFile", {pathList({})}), nullptr);
    EXPECT_EQ(mouse.failure(), "");
    EXPECT_EQ(movara_test::waitForPeerResult(result), "files 0\n") << "the only drop the other program saw";
}

// Without the check each refused call would drop at once where the cursor is;
// the drag that follows is then the only drop the other program saw.
TEST_F(FlashExServiceClipboardTest, ADragStartsOnlyWhileAButtonIsHeldOverTheProgramsWindow) {
    std::string dragged = longPathOf(scratch_.path()) + "\\b.txt";
    movara_test::writeBytes(dragged, "b");
    std::string result = scratch_ / "dropped.txt";
    OlePeer target("target 500 300 " + result);
    ASSERT_TRUE(target.ready());
    PressedWindow source({110, 110}, false);
    windows_.host = source.window();
    ASSERT_FALSE(source.pressed()) << "a button was still down from an earlier test";

    SetCursorPos(600, 400);
    EXPECT_EQ(failure(service_, "doDragFile", {pathList({dragged})}), kNoButtonHeld) << "over the other program";
    SetCursorPos(110, 110);
    EXPECT_EQ(failure(service_, "doDragFile", {pathList({dragged})}), kNoButtonHeld) << "over the window";

    // Held in a window of this process that is not the host's. The mouse moves
    // first, so a drag started by mistake ends with a drop instead of waiting.
    PressedWindow elsewhere({300, 110});
    ASSERT_TRUE(elsewhere.pressed()) << "the left button never went down in the other window";
    MouseDrag mouse({300, 110}, {600, 400});
    EXPECT_EQ(failure(service_, "doDragFile", {pathList({dragged})}), kNoButtonHeld) << "held elsewhere";
    windows_.host = nullptr;
    EXPECT_EQ(failure(service_, "doDragFile", {pathList({dragged})}), kNoButtonHeld) << "no window yet";

    windows_.host = elsewhere.window();
    EXPECT_EQ(call(service_, "doDragFile", {pathList({dragged})}), nullptr);
    EXPECT_EQ(mouse.failure(), "");
    EXPECT_EQ(movara_test::waitForPeerResult(result), "files 1\n" + dragged + "\n")
        << "the only drop the other program saw";
}
