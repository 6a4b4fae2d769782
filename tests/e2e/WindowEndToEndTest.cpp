// The window commands, ext events and closing, through a running movara.exe.
#include "MoviePrelude.h"
#include "MovaraRun.h"

using e2e::MovaraRun;
using e2e::withPrelude;

namespace {

void click(DWORD down, DWORD up) {
    INPUT inputs[2] = {{INPUT_MOUSE}, {INPUT_MOUSE}};
    inputs[0].mi.dwFlags = down;
    inputs[1].mi.dwFlags = up;
    SendInput(2, inputs, sizeof(INPUT));
}

const char* const kEventMovie = R"JS(
ExternalInterface.addCallback("onExtKeyDown", function (k, m) { trace("key " + k + " " + m); });
ExternalInterface.addCallback("onExtMouseUp", function (x, y) { trace("mouse " + x + " " + y); });
ExternalInterface.addCallback("onExtRButtonDown", function () { trace("right"); return true; });
ExternalInterface.addCallback("onExtClose", function () { trace("close asked"); });
call("setForegroundWindow");
call("wantExtEvents");
trace("ready");
)JS";

}  // namespace

TEST(WindowEndToEnd, MoveWindowKeepsWhatIsNotGiven) {
    MovaraRun run;
    run.writeMovie(withPrelude(R"JS(
call("moveWindow", 100, 50, 640, 480);
report("both", "getWindowRect");
call("moveWindow", 30, 40);
report("position", "getWindowRect");
call("moveWindow", 100, 50, 500);
report("width", "getWindowRect");
call("hideWindow");
trace("hidden");
setTimeout(function () { call("showWindow"); trace("shown"); }, 1000);
)JS"));
    run.start();
    EXPECT_EQ(run.waitForTrace("both"), "both {\"bottom\":530,\"left\":100,\"right\":740,\"top\":50}");
    EXPECT_EQ(run.waitForTrace("position"), "position {\"bottom\":520,\"left\":30,\"right\":670,\"top\":40}");
    EXPECT_EQ(run.waitForTrace("width"), "width {\"bottom\":530,\"left\":100,\"right\":600,\"top\":50}");
    run.waitForTrace("hidden");
    EXPECT_EQ(run.mainWindow(0), nullptr);  // no visible main window any more
    run.waitForTrace("shown");
    EXPECT_NE(run.mainWindow(0), nullptr);
}

TEST(WindowEndToEnd, CloseIsOfferedToTheMovieUntilItCallsCloseApp) {
    MovaraRun run;
    run.writeMovie(withPrelude(R"JS(
var asked = 0;
ExternalInterface.addCallback("onExtClose", function () {
  trace("close asked " + (++asked));
  if (asked == 2) call("closeApp");
});
call("wantExtEvents");
trace("ready");
)JS"));
    run.start();
    run.waitForTrace("ready");
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    run.waitForTrace("close asked 1");
    EXPECT_TRUE(e2e::windowStaysAfterItsMessages(window));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.waitForExit());
    EXPECT_FALSE(run.hasTrace("close asked 3"));  // closeApp's own close is not offered
}

TEST(WindowEndToEnd, CloseEndsTheProgramWhenTheMovieCannotTakeIt) {
    // Ext events on, but no onExtClose: the failed call falls back to closing.
    MovaraRun unregistered;
    unregistered.writeMovie(withPrelude(R"JS(call("wantExtEvents"); trace("ready");)JS"));
    unregistered.start();
    unregistered.waitForTrace("ready");
    PostMessageA(unregistered.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(unregistered.waitForExit());

    // A handler, but ext events never asked for: it is not called.
    MovaraRun off;
    off.writeMovie(withPrelude(R"JS(
ExternalInterface.addCallback("onExtClose", function () { trace("close asked"); });
trace("ready");
)JS"));
    off.start();
    off.waitForTrace("ready");
    PostMessageA(off.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(off.waitForExit());
    EXPECT_FALSE(off.hasTrace("close asked"));
}

TEST(WindowEndToEnd, KeysAndClicksBecomeExtEvents) {
    MovaraRun run;
    run.writeMovie(withPrelude(kEventMovie));
    run.start();
    run.waitForTrace("ready");
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    ASSERT_TRUE(e2e::waitUntil([&] { return GetForegroundWindow() == window; }, 5000));

    e2e::pressKeys({VK_CONTROL, VK_SHIFT, 'A'});
    EXPECT_EQ(run.waitForTrace("key 65"), "key 65 3");
    e2e::pressKeys({VK_MENU, VK_F4});
    EXPECT_EQ(run.waitForTrace("key 115"), "key 115 4");
    EXPECT_TRUE(e2e::windowStaysAfterItsMessages(window)) << "Alt+F4 is consumed while ext events are on";

    HWND player = e2e::playerWindowOf(window);
    POINT point = {37, 21};
    ClientToScreen(player, &point);
    SetCursorPos(point.x, point.y);
    click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(run.waitForTrace("mouse"), "mouse 37 21");
    click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    run.waitForTrace("right");
}
