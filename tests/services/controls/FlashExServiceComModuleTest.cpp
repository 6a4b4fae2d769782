// The ActiveX window service in a window of the test, with the stand-in
// player hosted as the child control; keys are real input on the display.
#include <ole2.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "services/controls/FlashExServiceComModule.h"
#include "GdiplusTestSupport.h"
#include "MovaraTest.h"
#include "Waiting.h"
#include "ServiceTestSupport.h"
#include "../../security/PolicyTestSupport.h"
#include "imaging/MvGpImageConverter.h"
#include "SwfWriter.h"
#include "framework/AtlAx.h"
#include "player/host/PlayerHost.h"
#include "player/host/PlayerIds.h"
#include "security/SecurityPolicy.h"
#include "tbx/ComVariant.h"

using namespace movara_test;
using namespace service_test;

namespace {

const char* const kNoWindow = "対象ウィンドウが正しくありません。";
const char* const kBadIndex = "ウィンドウの番号が正しくありません。";
const int kChildVisible = WS_CHILD | WS_VISIBLE;

// The colour the screen shows at the centre of a window.
COLORREF screenColourAtCentreOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    tbx::WindowDC screen(nullptr);
    return GetPixel(screen.get(), (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

class AxWindows : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        ASSERT_TRUE(fw::AtlAx::initialize());
        registration = std::make_unique<player::PlayerClassRegistration>();
        parent = CreateWindowExA(0, "STATIC", "ax parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40, 400, 300,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, parent);
        SetForegroundWindow(parent);
        windows.player = parent;
        service = std::make_unique<FlashExServiceComModule>(testPolicy(), windows, encoders);
    }
    void TearDown() override {
        service.reset();
        DestroyWindow(parent);
        registration.reset();
        OleUninitialize();
    }

    // Makes a window through the service; its host window is appended to `made`.
    int axWindow(const std::string& name, int x, int y, int width, int height, int style = kChildVisible) {
        std::vector<HWND> before = children();
        int index = call(*service, "axWindow", {str(name), num(x), num(y), num(width), num(height), num(style), num(0)})
                        ->getInt();
        for (HWND child : children())
            if (std::find(before.begin(), before.end(), child) == before.end()) made.push_back(child);
        return index;
    }
    std::vector<HWND> children() {
        std::vector<HWND> found;
        for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) found.push_back(w);
        return found;
    }
    // left, top, right, bottom in the parent's client area.
    std::vector<LONG> placeOf(HWND window) {
        RECT rect;
        GetWindowRect(window, &rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        return {rect.left, rect.top, rect.right, rect.bottom};
    }
    std::string movie(const std::string& name, const std::string& script, uint32_t background = 0xFFFFFF) {
        SwfOptions options;
        options.width = 200;
        options.height = 100;
        options.backgroundColor = background;
        writeBytes(dir / name, buildSwf(options, script));
        return dir / name;
    }
    tbx::ComPtr<IDispatch> playerIn(HWND window) {
        return tbx::ComPtr<IUnknown>::attach(fw::AtlAx::getControl(window)).query<IDispatch>(IID_IDispatch);
    }
    int readyState(HWND window) {
        auto player = playerIn(window);
        if (!player) return -1;
        DISPPARAMS none = {};
        tbx::Variant state;
        player->Invoke(player::kDispReadyState, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, state.get(), nullptr,
                       nullptr);
        return V_VT(state.get()) == VT_I4 ? V_I4(state.get()) : -1;
    }
    // Presses and releases a key with the focus on the parent window; true
    // when the service consumed its key-down message.
    bool keyConsumed(WORD key) {
        SetFocus(parent);
        INPUT inputs[2] = {{INPUT_KEYBOARD}, {INPUT_KEYBOARD}};
        inputs[0].ki.wVk = key;
        inputs[1].ki.wVk = key;
        inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, inputs, sizeof(INPUT));
        bool consumed = false, up = false;
        DWORD start = GetTickCount();
        while (!up && GetTickCount() - start < 3000) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                bool eaten = service->preTranslateMessage(&msg);
                if (msg.message == WM_KEYDOWN && msg.wParam == key) consumed = eaten;
                if (msg.message == WM_KEYUP && msg.wParam == key) up = true;
                if (!eaten) {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        EXPECT_TRUE(up) << "the key did not arrive";
        return consumed;
    }

    GdiplusSession gdiplus;
    ScratchDir dir;
    std::unique_ptr<player::PlayerClassRegistration> registration;
    HWND parent = nullptr;
    TestWindows windows;
    MvGpImageConverter encoders;
    std::unique_ptr<FlashExServiceComModule> service;
    std::vector<HWND> made;
};

}  // namespace

TEST_F(AxWindows, IndicesAreNeverReusedAndDeletedOnesAreRefused) {
    EXPECT_EQ(0, axWindow("MovaraTest.NoSuchControl", 0, 0, 50, 50));
    EXPECT_EQ(1, axWindow("MovaraTest.NoSuchControl", 60, 0, 50, 50));
    std::vector<HWND> windows = made;
    ASSERT_EQ(2u, windows.size());
    call(*service, "axWindowDelete", {num(0)});
    EXPECT_FALSE(IsWindow(windows[0]));
    EXPECT_EQ(2, axWindow("MovaraTest.NoSuchControl", 0, 60, 50, 50));
    call(*service, "axWindowSetPos", {num(1), num(70), num(-1)});
    EXPECT_EQ((std::vector<LONG>{60, 0, 130, 50}), placeOf(windows[1]));  // 1 still names the second

    for (const char* command : {"axWindowDelete", "axWindowSetFocus", "axWindowHide", "axWindowShow"}) {
        for (int index : {0, -1, 3, 1000})
            EXPECT_EQ(kBadIndex, failure(*service, command, {num(index)})) << command << " " << index;
    }
    EXPECT_EQ(kBadIndex, failure(*service, "axWindowSetPos", {num(0), num(10), num(10)}));
    EXPECT_EQ(kBadIndex, failure(*service, "axWindowCapture", {num(0), str(dir / "x.png")}));
    EXPECT_EQ("type error", failure(*service, "axWindowShow", {str("1")}));

    // A style with the high bit reaches the movie's bridge as a double and
    // keeps its bits (WS_POPUP, not every style saturated into 0x7FFFFFFF).
    double popup = static_cast<double>(static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(3, call(*service, "axWindow",
                      {str("MovaraTest.NoSuchControl"), num(0), num(0), num(30), num(30), new FlashExParamDouble(popup),
                       num(0)})
                     ->getInt());
    HWND owned = FindWindowExA(nullptr, nullptr, fw::AtlAx::windowClass(), "MovaraTest.NoSuchControl");
    ASSERT_NE(nullptr, owned);
    EXPECT_EQ(static_cast<LONG>(WS_POPUP), GetWindowLongA(owned, GWL_STYLE) & (WS_POPUP | WS_CHILD));
    EXPECT_EQ(parent, GetWindow(owned, GW_OWNER));
}

TEST_F(AxWindows, SetPosKeepsWhatIsMinusOneAndNeedsBothCoordinates) {
    int index = axWindow("MovaraTest.NoSuchControl", 10, 20, 100, 80);
    HWND window = made.at(0);
    call(*service, "axWindowSetPos", {num(index), num(-1), num(200)});
    EXPECT_EQ((std::vector<LONG>{10, 20, 110, 220}), placeOf(window));
    call(*service, "axWindowSetPos", {num(index), num(150), num(-1), num(5), num(6)});
    EXPECT_EQ((std::vector<LONG>{5, 6, 155, 206}), placeOf(window));
    EXPECT_EQ("配列のインデックスが範囲を超えています。",
              failure(*service, "axWindowSetPos", {num(index), num(1), num(1), num(1)}));

    // A window destroyed behind the service's back is refused, not touched.
    DestroyWindow(window);
    EXPECT_EQ(kNoWindow, failure(*service, "axWindowSetPos", {num(index), num(10), num(10)}));
    for (const char* command : {"axWindowSetFocus", "axWindowHide", "axWindowShow"})
        EXPECT_EQ(kNoWindow, failure(*service, command, {num(index)})) << command;
    EXPECT_EQ(kNoWindow, failure(*service, "axWindowCapture", {num(index), str(dir / "gone.png")}));
    EXPECT_FALSE(fileExists(dir / "gone.png"));
    EXPECT_EQ("none", [&] {
        Result r = call(*service, "axWindowDelete", {num(index)});
        return r ? std::string("value") : std::string("none");
    }());
}

TEST_F(AxWindows, AMovieNameHostsAPlayerAndAnythingElseNamesAControl) {
    std::string upper = movie("intro.SWF", "stage.backgroundColor = 0x336699;");
    axWindow(upper, 0, 0, 200, 100);
    axWindow(".swf", 0, 110, 50, 50);  // four bytes: a control name
    std::vector<HWND> windows = made;
    ASSERT_EQ(2u, windows.size());
    ASSERT_TRUE(pumpUntil([&] { return readyState(windows[0]) == 4; })) << "the movie never completed";
    char title[128] = "";
    GetWindowTextA(windows[0], title, sizeof(title));
    EXPECT_EQ(player::playerControlText(), title);
    // The movie is loaded by its judged path, here the long full path given.
    auto player = playerIn(windows[0]);
    ASSERT_TRUE(player);
    DISPPARAMS none = {};
    tbx::Variant loaded;
    player->Invoke(player::kDispMovie, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, loaded.get(), nullptr, nullptr);
    EXPECT_EQ(upper, loaded.toAnsi());

    GetWindowTextA(windows[1], title, sizeof(title));
    EXPECT_EQ(std::string(".swf"), title);
    EXPECT_FALSE(playerIn(windows[1]));
}

// A name that reaches a file the movie may not read makes no window (a
// browser control would show the file, and "axWindowCapture" would hand the
// movie its picture); a page, whose scripts the browser runs, must also be
// executable; names of other schemes than http: and https: go to the browser
// only when the settings allow web content; control names are not judged.
TEST_F(AxWindows, ANameThatReachesAFileIsJudgedForReading) {
    const std::string denied = dir / "Denied";
    makeDirectory(denied);
    writeBytes(denied + "\\secret.txt", "secret");
    writeBytes(dir / "page.html", "<script>window.close()</script>");
    movie("Denied\\m.swf", "");
    const std::string rules = "<fileAccess><deny access=\"r\" match=\"dir\">" + denied +
                              "</deny><allow access=\"rw\" match=\"dir\">" + dir.path() + "</allow></fileAccess>";
    auto policy = policyFromSettings("<security>" + rules + "</security>");
    auto webPolicy = policyFromSettings("<security webContent=\"1\">" + rules + "</security>");
    std::string url = "file:///" + denied + "\\secret.txt";
    std::replace(url.begin(), url.end(), '\\', '/');
    const std::string refused = "file access exception";
    auto noWeb = [](const std::string& name) {
        return "「" + name +
               "」は開けません。http:、https:、file: 以外のURLは、設定のwebContentで許されている時だけ開けます。";
    };
    struct Case {
        std::string name;
        std::string failure;  // without web content
        std::string webFailure;
    } cases[] = {
        {denied + "\\secret.txt", refused, refused},
        {url, refused, refused},
        {denied + "\\m.swf", refused, refused},
        {"secret.txt", refused, refused},
        {"\\\\fileserver\\share\\secret.txt", refused, refused},
        {dir / "page.html", refused, refused},  // readable, not executable
        {"MSHTML:<p>page</p>", noWeb("MSHTML:<p>page</p>"), "no failure"},
        {" javascript:void(0)", noWeb(" javascript:void(0)"), "no failure"},
        {"about:blank", noWeb("about:blank"), "no failure"},
        {"MovaraTest.NoSuchControl", "no failure", "no failure"},
    };
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA(denied.c_str());
    for (const Case& c : cases) {
        for (SecurityPolicy* judge : {policy.get(), webPolicy.get()}) {
            FlashExServiceComModule judging(*judge, windows, encoders);
            const std::string& expected = judge == policy.get() ? c.failure : c.webFailure;
            std::vector<HWND> before = children();
            EXPECT_EQ(expected, failure(judging, "axWindow",
                                        {str(c.name), num(0), num(0), num(50), num(50), num(kChildVisible), num(0)}))
                << c.name;
            if (expected != "no failure") EXPECT_EQ(before, children()) << c.name;
        }
    }
    SetCurrentDirectoryA(current);
}

TEST_F(AxWindows, TheActiveWindowsControlSeesKeysFirst) {
    // The child movie consumes A and lets B pass.
    std::string keys = movie("keys.swf", "Key.setAcceleratorHandler(function (code) { return code == 0x41; });");
    int visible = axWindow(keys, 0, 0, 200, 100);
    HWND window = made.at(0);
    ASSERT_TRUE(pumpUntil([&] { return readyState(window) == 4; })) << "the movie never completed";

    EXPECT_TRUE(keyConsumed('A'));
    EXPECT_FALSE(keyConsumed('B'));
    call(*service, "axWindowHide", {num(visible)});
    EXPECT_FALSE(keyConsumed('A'));
    call(*service, "axWindowShow", {num(visible)});
    EXPECT_TRUE(keyConsumed('A'));
    call(*service, "axWindowHide", {num(visible)});
    call(*service, "axWindowSetFocus", {num(visible)});
    EXPECT_TRUE(keyConsumed('A'));

    // A window made without WS_VISIBLE does not take the keys over.
    int hidden = axWindow(keys, 0, 0, 200, 100, WS_CHILD);
    HWND second = made.at(1);
    ASSERT_TRUE(pumpUntil([&] { return readyState(second) == 4; })) << "the second movie never completed";
    EXPECT_TRUE(keyConsumed('A'));
    call(*service, "axWindowDelete", {num(visible)});
    EXPECT_FALSE(keyConsumed('A'));
    call(*service, "axWindowSetFocus", {num(hidden)});
    EXPECT_TRUE(keyConsumed('A'));
}

// The picture is what the control paints of itself, as far as its windows
// show it: another program's window over it does not appear, and a control
// moved out of its window or hidden gives no picture of what lies there.
TEST_F(AxWindows, CaptureSavesWhatTheControlShowsAsPngWhateverTheExtension) {
    int index = axWindow(movie("green.swf", "", 0x00C000), 10, 10, 120, 60);
    HWND window = made.at(0);
    const COLORREF green = RGB(0, 0xC0, 0);
    ASSERT_TRUE(pumpUntil([&] { return screenColourAtCentreOf(window) == green; }))
        << "the screen never showed the movie's green stage";
    const std::string notShown = "コントロールがウィンドウの中に見えていないため、取り込めません。";
    HWND cover =
        CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP, 40, 40, 400, 300, nullptr, nullptr, nullptr, nullptr);
    struct Case {
        const char* what;
        std::function<void()> arrange;
        LONG width, height;  // of the picture; 0: no picture
    } cases[] = {
        {"shown", [] {}, 120, 60},
        {"under another window",
         [&] {
             ShowWindow(cover, SW_SHOWNA);
             UpdateWindow(cover);
             ASSERT_TRUE(pumpUntil([&] { return screenColourAtCentreOf(window) != green; }))
                 << "the screen still showed the green stage through the covering window";
         },
         120, 60},
        {"partly out of its window",
         [&] {
             call(*service, "axWindowSetPos", {num(index), num(120), num(60), num(340), num(270)});
         },
         60, 30},
        {"out of its window",
         [&] {
             call(*service, "axWindowSetPos", {num(index), num(120), num(60), num(500), num(400)});
         },
         0, 0},
        {"hidden", [&] { call(*service, "axWindowHide", {num(index)}); }, 0, 0},
    };
    for (const Case& c : cases) {
        c.arrange();
        DeleteFileA((dir / "shot.jpg").c_str());
        std::string failed = failure(*service, "axWindowCapture", {num(index), str(dir / "shot.jpg")});
        if (c.width == 0) {
            EXPECT_EQ(failed, notShown) << c.what;
            EXPECT_FALSE(fileExists(dir / "shot.jpg")) << c.what;
            continue;
        }
        EXPECT_EQ(failed, "no failure") << c.what;
        ASSERT_TRUE(isPngData(readBytes(dir / "shot.jpg"))) << c.what;
        TestImage shot = loadImage(dir / "shot.jpg");
        ASSERT_TRUE(shot) << c.what;
        SIZE size = imageSize(shot.get());
        EXPECT_EQ(c.width, size.cx) << c.what;
        EXPECT_EQ(c.height, size.cy) << c.what;
        EXPECT_EQ(0xFF00C000u, pixelAt(shot.get(), c.width / 2, c.height / 2)) << c.what;
    }
    DestroyWindow(cover);

    // The file policy judges the picture's path like any file the movie writes.
    EXPECT_EQ("file access exception", failure(*service, "axWindowCapture", {num(index), str(dir / "readonly")}));
    EXPECT_FALSE(fileExists(dir / "readonly"));
    // A window whose control could not be made has no host (so Wine's ATL).
    int empty = axWindow("MovaraTest.NoSuchControl", 0, 0, 30, 30);
    EXPECT_EQ(kNoWindow, failure(*service, "axWindowCapture", {num(empty), str(dir / "empty.png")}));
    EXPECT_FALSE(fileExists(dir / "empty.png"));
}
