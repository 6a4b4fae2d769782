// The main dialog hosting the stand-in player in this process: movie loading,
// the ext events that pre-translation makes of keys and clicks, dropped files.
#include "MovaraTest.h"

#include "FakePlayerDispatch.h"

#include <shlobj.h>

#include <memory>

#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/host/FlashExService.h"
#include "bridge/host/FlashExServiceManager.h"
#include "bridge/values/XercesFacade.h"
#include "dialog/FlashExDlg.h"
#include "security/SecurityPolicy.h"
#include "services/window/FlashExServiceDlg.h"
#include "SwfWriter.h"
#include "framework/Application.h"
#include "framework/DispatchCaller.h"
#include "player/host/PlayerHost.h"

using movara_test::ScratchDir;

namespace {

// Keeps what the movie sends with "record": the value XML of its arguments.
class Recorder : public FlashExService {
public:
    bool invoke(FlashExRequest& request, ParamPtr& result) override {
        if (request.name != "record") return false;
        std::string line;
        for (unsigned i = 0; i < request.arguments.size(); ++i) request.arguments.at(i)->writeXML(line);
        lines.push_back(line);
        return true;
    }
    std::vector<std::string> lines;
};

const char* const kMovie = R"JS(
var rightAnswers = [true, 1, "yes", null, false];
var right = 0;
function record(a, b, c) { ExternalInterface.call("record", a, b, c); }
ExternalInterface.addCallback("onExtKeyDown", function (k, m) { record("key", k, m); });
ExternalInterface.addCallback("onExtMouseUp", function (x, y) { record("mouse", x, y); });
ExternalInterface.addCallback("onExtRButtonDown", function () { return rightAnswers[right++]; });
ExternalInterface.addCallback("onExtDropFiles", function (files) { record("drop", files); });
// With "refuse" in its FlashVars the movie answers a move with a control
// character, which the host's value parser refuses.
ExternalInterface.addCallback("onMoveWindow", function () {
    record("moved");
    if (flashVars.refuse) return "\u0001";
});
record("ready", flashVars.level === undefined ? "-" : flashVars.level);
)JS";

// A 16 x 16 icon file of one colour, 32 bits per pixel.
std::string iconFile() {
    std::string image;
    BITMAPINFOHEADER header = {sizeof(header), 16, 32, 1, 32, BI_RGB};
    image.append(reinterpret_cast<const char*>(&header), sizeof(header));
    image.append(16 * 16 * 4, '\x7f');  // colour
    image.append(16 * 4, '\0');         // mask, rows padded to 4 bytes
    std::string file("\0\0\1\0\1\0", 6);
    unsigned char entry[16] = {16, 16, 0, 0, 1, 0, 32, 0};
    DWORD size = static_cast<DWORD>(image.size()), offset = 6 + 16;
    memcpy(entry + 8, &size, 4);
    memcpy(entry + 12, &offset, 4);
    file.append(reinterpret_cast<const char*>(entry), 16);
    return file + image;
}

// The pixels an icon draws at size x size on black.
std::vector<DWORD> iconPixels(HICON icon, int size) {
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB}};
    void* bits = nullptr;
    tbx::GdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    tbx::MemoryDC dc(CreateCompatibleDC(nullptr));
    tbx::SelectedObject selected(dc.get(), bitmap.get());
    DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    auto* first = static_cast<const DWORD*>(bits);
    return std::vector<DWORD>(first, first + size * size);
}

// Counts the right clicks that reach the player's window.
int seenRightClicks = 0;
WNDPROC originalPlayerProc = nullptr;
LRESULT CALLBACK countRightClicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RBUTTONDOWN || message == WM_RBUTTONDBLCLK) ++seenRightClicks;
    return CallWindowProcA(originalPlayerProc, window, message, wParam, lParam);
}

std::string str(const char* text) { return "<string>" + std::string(text) + "</string>"; }
std::string num(int value) { return "<number>" + std::to_string(value) + "</number>"; }

// The main dialog, counting the handler failures it would show in a message box.
class CountingDlg : public FlashExDlg {
public:
    using FlashExDlg::FlashExDlg;
    int handlerFailures = 0;

protected:
    void OnHandlerException() override { ++handlerFailures; }
};

class FlashExDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        OleInitialize(nullptr);
        fw::Application::enableControlContainer();
        XercesFacade::initialize();
    }

    void SetUp() override {
        GetCurrentDirectoryA(sizeof(previousDirectory_), previousDirectory_);
        SetCurrentDirectoryA(scratch_.path().c_str());
        movara_test::writeBytes(scratch_ / "movie.swf", buildSwf(SwfOptions(), kMovie));
    }
    void TearDown() override {
        dialog_.reset();
        SetCurrentDirectoryA(previousDirectory_);
    }

    void open(const std::string& moviePath) {
        auto dialog = std::make_unique<CountingDlg>(102);
        counting_ = dialog.get();
        dialog_ = std::move(dialog);
        manager_.addService(std::make_unique<FlashExServiceDlg>(*dialog_, policy_));
        auto recorder = std::make_unique<Recorder>();
        recorder_ = recorder.get();
        manager_.addService(std::move(recorder));
        dialog_->setup(true, moviePath, &manager_, 640, 480);
        ASSERT_TRUE(dialog_->Create());
        ASSERT_TRUE(pumpUntil([&] { return !recorder_->lines.empty(); })) << "the movie never started";
    }

    // Runs the dialog's message loop until ready() holds or 10 s pass.
    template <typename Ready>
    bool pumpUntil(Ready ready) {
        DWORD start = GetTickCount();
        while (!ready()) {
            if (GetTickCount() - start > 10000) return false;
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (dialog_->PreTranslateMessage(&msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            Sleep(10);
        }
        return true;
    }

    void command(const char* name, const char* argument = nullptr) {
        FlashExRequest request;
        request.name = name;
        if (argument) request.arguments.pushString(argument);
        manager_.invoke(request);
    }

    // Pre-translates one message as the dialog's loop would; true when consumed.
    bool preTranslate(UINT message, WPARAM wParam, LPARAM lParam = 0) {
        MSG msg = {dialog_->playerWindow(), message, wParam, lParam};
        GetCursorPos(&msg.pt);
        return dialog_->PreTranslateMessage(&msg) != FALSE;
    }

    static void holdKeys(std::initializer_list<int> keys) {
        BYTE state[256] = {};
        for (int key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }

    ScratchDir scratch_;
    player::PlayerClassRegistration playerClass_;
    SecurityPolicy policy_;
    FlashExServiceManager manager_;
    Recorder* recorder_ = nullptr;
    std::unique_ptr<FlashExDlg> dialog_;
    CountingDlg* counting_ = nullptr;

private:
    char previousDirectory_[MAX_PATH];
};

}  // namespace

TEST_F(FlashExDlgTest, AMovieInTheCurrentDirectoryLoadsByFullPathWithItsQueryAsFlashVars) {
    open("movie.swf?level=3");
    EXPECT_EQ(recorder_->lines[0], str("ready") + str("3"));
    EXPECT_EQ(dialog_->player().GetMovie(), scratch_ / "movie.swf");

    // The player starts with the dialog's settings, whichever player it is.
    fw::DispatchCaller control(dialog_->control(FlashExDlg::kPlayerId)->dispatch());
    EXPECT_EQ(control.get("ScaleMode").toAnsi(), "NoBorder");
    EXPECT_EQ(control.get("AllowFullScreen").toAnsi(), "true");

    // Anything not found there goes to the player unchanged, query and all.
    dialog_->loadMovie("elsewhere.swf?level=3");
    EXPECT_EQ(dialog_->player().GetMovie(), "elsewhere.swf?level=3");
}

// Players keep quality and scale mode as text (the stand-in) or as numbers
// (the Flash player, which refuses the text): either way they are set.
TEST(FlashExDlgSettings, EachSettingIsPutInTheFormThePlayerTakes) {
    for (bool numeric : {false, true}) {
        FakePlayerDispatch fake;
        fake.settingIds = {{u"WMode", 1}, {u"Quality", 2},         {u"ScaleMode", 3},      {u"Playing", 4},
                           {u"Loop", 5},  {u"AllowNetworking", 6}, {u"AllowFullScreen", 7}};  // no "Menu"
        if (numeric) fake.numericSettings = {2, 3};
        FlashExDlg dialog(102);
        dialog.player().attach(&fake);
        dialog.applyPlayerSettings();

        struct Expected {
            const char16_t* name;
            VARTYPE type;
            std::u16string text;
            LONG number;
        } expected[] = {
            {u"WMode", VT_BSTR, u"Window", 0},
            {u"Quality", numeric ? VT_I4 : VT_BSTR, numeric ? u"" : u"High", numeric ? 1 : 0},
            {u"ScaleMode", numeric ? VT_I4 : VT_BSTR, numeric ? u"" : u"NoBorder", numeric ? 1 : 0},
            {u"Playing", VT_BOOL, u"", VARIANT_TRUE},
            {u"Loop", VT_BOOL, u"", VARIANT_TRUE},
            {u"AllowNetworking", VT_BSTR, u"all", 0},
            {u"AllowFullScreen", VT_BSTR, u"true", 0},
        };
        for (const Expected& e : expected) {
            std::vector<FakePlayerDispatch::Call> puts = fake.putsOf(e.name);
            ASSERT_FALSE(puts.empty()) << narrowText(e.name);
            // A numeric player saw the text first and refused it.
            EXPECT_EQ(numeric && e.type == VT_I4 ? 2u : 1u, puts.size()) << narrowText(e.name);
            EXPECT_EQ(std::vector<VARTYPE>{e.type}, puts.back().types) << narrowText(e.name);
            EXPECT_EQ(e.text, puts.back().text) << narrowText(e.name);
            EXPECT_EQ(e.number, puts.back().number) << narrowText(e.name);
        }
    }
}

TEST_F(FlashExDlgTest, KeysBecomeExtEventsOnlyAfterTheMovieAsks) {
    open("movie.swf");
    holdKeys({VK_CONTROL, VK_SHIFT});
    preTranslate(WM_KEYDOWN, 'A');
    EXPECT_EQ(recorder_->lines.size(), 1u) << "no events before wantExtEvents";

    command("wantExtEvents");
    preTranslate(WM_KEYDOWN, 'A');
    EXPECT_EQ(recorder_->lines.back(), str("key") + num(65) + num(3));

    // A system key is consumed: Alt+F4 never reaches the dialog manager.
    holdKeys({VK_MENU});
    EXPECT_TRUE(preTranslate(WM_SYSKEYDOWN, VK_F4));
    EXPECT_EQ(recorder_->lines.back(), str("key") + num(115) + num(4));

    // Enter and Escape go to the player, not to the dialog manager that would end the dialog.
    holdKeys({});
    EXPECT_FALSE(preTranslate(WM_KEYDOWN, VK_ESCAPE));
    EXPECT_EQ(recorder_->lines.back(), str("key") + num(27) + num(0));
    EXPECT_FALSE(preTranslate(WM_KEYDOWN, VK_RETURN));

    // Loading a movie switches the events off again.
    dialog_->loadMovie("movie.swf");
    EXPECT_FALSE(dialog_->extEventsWanted());
}

TEST_F(FlashExDlgTest, ARightClickIsConsumedOnlyByABooleanTrue) {
    open("movie.swf");
    seenRightClicks = 0;
    HWND player = dialog_->playerWindow();
    originalPlayerProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(player, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countRightClicks)));
    // As the dialog's loop does: what pre-translation leaves is dispatched.
    auto reachesPlayer = [&](UINT message) {
        int before = seenRightClicks;
        MSG msg = {player, message, MK_RBUTTON, 0};
        if (!dialog_->PreTranslateMessage(&msg)) DispatchMessageA(&msg);
        return seenRightClicks > before;
    };

    EXPECT_TRUE(reachesPlayer(WM_RBUTTONDOWN)) << "ext events are off";
    command("wantExtEvents");
    EXPECT_FALSE(reachesPlayer(WM_RBUTTONDOWN));   // true
    EXPECT_TRUE(reachesPlayer(WM_RBUTTONDBLCLK));  // 1
    EXPECT_TRUE(reachesPlayer(WM_RBUTTONDOWN));    // "yes"
    EXPECT_TRUE(reachesPlayer(WM_RBUTTONDOWN));    // null
    EXPECT_TRUE(reachesPlayer(WM_RBUTTONDOWN));    // false
    EXPECT_TRUE(reachesPlayer(WM_RBUTTONDOWN));    // undefined
    SetWindowLongPtrA(player, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalPlayerProc));
}

TEST_F(FlashExDlgTest, AMovedWindowIsReportedWithoutExtEvents) {
    open("movie.swf");
    SetWindowPos(dialog_->window(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(recorder_->lines.back(), str("moved"));
}

TEST_F(FlashExDlgTest, AMoveWhoseAnswerTheHostRefusesIsDiscardedQuietly) {
    open("movie.swf?refuse=1");
    for (int x : {40, 60}) {
        recorder_->lines.clear();
        SetWindowPos(dialog_->window(), nullptr, x, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EXPECT_EQ(recorder_->lines, std::vector<std::string>{str("moved")});
    }
    EXPECT_EQ(0, counting_->handlerFailures);
}

TEST_F(FlashExDlgTest, MouseUpReportsTheCursorInPlayerCoordinates) {
    open("movie.swf");
    command("wantExtEvents");
    POINT point = {20, 30};
    ClientToScreen(dialog_->playerWindow(), &point);
    SetCursorPos(point.x, point.y);
    preTranslate(WM_LBUTTONUP, 0);
    EXPECT_EQ(recorder_->lines.back(), str("mouse") + num(20) + num(30));
}

TEST_F(FlashExDlgTest, DroppedFilesReachTheMovieWhole) {
    open("movie.swf");
    std::string longPath = "C:\\" + std::string(300, 'd') + "\\" + std::string(300, 'f') + ".txt";
    std::vector<std::string> paths = {"C:\\a.txt", "C:\\表\\b.txt", longPath};
    std::string list;
    for (const std::string& path : paths) list += path + '\0';
    list += '\0';
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
    {
        tbx::GlobalLockGuard lock(memory);
        auto* drop = static_cast<DROPFILES*>(lock.data());
        drop->pFiles = sizeof(DROPFILES);
        memcpy(static_cast<char*>(lock.data()) + sizeof(DROPFILES), list.data(), list.size());
    }
    SendMessageA(dialog_->window(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);  // the dialog frees it
    std::string expected = str("drop") + "<array>";
    for (unsigned i = 0; i < paths.size(); ++i)
        expected += "<property id=\"" + std::to_string(i) + "\">" + str(paths[i].c_str()) + "</property>";
    EXPECT_EQ(recorder_->lines.back(), expected + "</array>");
}

TEST_F(FlashExDlgTest, TheWindowShowsTheProgramsIconUntilSetIconTakesAnIconFileAndANonIconRemovesIt) {
    open("movie.swf");
    movara_test::writeBytes(scratch_ / "good.ico", iconFile());
    movara_test::writeBytes(scratch_ / "bad.ico", "not an icon");
    HWND window = dialog_->window();
    const int smallSize = GetSystemMetrics(SM_CXSMICON);
    tbx::Icon program(static_cast<HICON>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(FlashExDlg::kProgramIconId), IMAGE_ICON, smallSize, smallSize, 0)));
    ASSERT_TRUE(program.valid());
    auto shown = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(iconPixels(shown, smallSize), iconPixels(program.get(), smallSize));
    EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_BIG, 0), 0);

    command("setIcon", "good.ico");
    EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_TRUE(dialog_->smallIcon().valid());

    command("setIcon", "bad.ico");
    EXPECT_EQ(SendMessageA(window, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_FALSE(dialog_->bigIcon().valid());
}

// What "setCapture", "updateWindow" and "setForegroundWindow" do to the
// window, each checked against the state before the call.
TEST_F(FlashExDlgTest, CaptureUpdateAndForegroundActOnTheWindow) {
    open("movie.swf");
    HWND window = dialog_->window();

    ReleaseCapture();
    command("setCapture");
    EXPECT_EQ(GetCapture(), dialog_->playerWindow());
    ReleaseCapture();

    InvalidateRect(window, nullptr, FALSE);
    ASSERT_TRUE(GetUpdateRect(window, nullptr, FALSE)) << "nothing to paint: the check would prove nothing";
    command("updateWindow");
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "the window was not painted at once";

    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    ASSERT_TRUE(pumpUntil([&] { return GetForegroundWindow() == other; })) << "the other window never came forward";
    command("setForegroundWindow");
    EXPECT_TRUE(pumpUntil([&] { return GetForegroundWindow() == window; })) << "the program's window stayed behind";
    DestroyWindow(other);
}
