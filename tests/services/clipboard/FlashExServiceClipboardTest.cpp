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
    explicit PressedWindow(POINT at) {
        window_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | WS_BORDER, at.x - 50, at.y - 50,
                                  100, 100, nullptr, nullptr, nullptr, nullptr);
        movara_test::xdotool("mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) + " mousedown 1");
        for (DWORD start = GetTickCount(); GetTickCount() - start < 5000 && !(GetKeyState(VK_LBUTTON) & 0x8000);) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            Sleep(10);
        }
    }
    ~PressedWindow() { DestroyWindow(window_); }
    bool pressed() const { return (GetKeyState(VK_LBUTTON) & 0x8000) != 0; }

private:
    HWND window_;
};

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
    ASSERT_TRUE(source.pressed());
    std::string mouseFailure;
    std::thread mouse([&] {
        try {
            movara_test::moveAndRelease({110, 110}, {600, 400});
        } catch (const std::exception& e) {
            mouseFailure = e.what();
        }
    });
    Result answer = call(service_, "doDragFile", {pathList({"表示.txt", directory + "\\two.txt"})});
    mouse.join();
    SetCurrentDirectoryA(previous);

    EXPECT_EQ(mouseFailure, "");
    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(movara_test::waitForPeerResult(result),
              "files 2\n" + directory + "\\表示.txt\n" + directory + "\\two.txt\n");
}

TEST_F(FlashExServiceClipboardTest, ARefusedPathStartsNoDragAndAnEmptyListDragsAnEmptyList) {
    std::string result = scratch_ / "dropped.txt";
    OlePeer target("target 500 300 " + result);
    ASSERT_TRUE(target.ready());
    // With no button held a drag drops at once on the window under the cursor.
    SetCursorPos(600, 400);

    std::string tooLong = "C:\\" + std::string(300, 'd') + ".txt";
    EXPECT_EQ(failure(service_, "doDragFile", {pathList({scratch_ / "a.txt", scratch_ / "forbidden"})}),
              "file access exception");
    EXPECT_EQ(failure(service_, "doDragFile", {pathList({scratch_ / "a.txt", tooLong})}),
              "path format error " + tooLong + " code=206");
    Sleep(500);
    EXPECT_FALSE(movara_test::fileExists(result)) << "a drag started";

    EXPECT_EQ(call(service_, "doDragFile", {pathList({})}), nullptr);
    EXPECT_EQ(movara_test::waitForPeerResult(result), "files 0\n");
}
