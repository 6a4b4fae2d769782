// The bundled demo movie, as the run command shows it.
#include "MovaraRun.h"

using e2e::MovaraRun;
using e2e::screenPixel;

TEST(DemoEndToEnd, ShowsWhatTheHostTellsAndDrawsItsStage) {
    MovaraRun run;
    ASSERT_TRUE(
        CopyFileA((movara_test::programDirectory() + "\\Ovara.swf").c_str(), run.path("Ovara.swf").c_str(), FALSE));
    run.start();
    run.waitForTrace("demo: ready");
    EXPECT_EQ(run.waitForTrace("demo: program:"), "demo: program: " + movara_test::cp932ToUtf8(run.directory()));
    EXPECT_EQ(run.waitForTrace("demo: window:").compare(0, 14, "demo: window: "), 0);
    std::string folder = run.waitForTrace("demo: folder:");
    EXPECT_NE(folder.find("movara.exe"), std::string::npos) << folder;
    EXPECT_NE(folder.find("Ovara.swf"), std::string::npos) << folder;

    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof(title));
    EXPECT_STREQ(title, "Movara - Ovara demo");

    // The stage's background colour fills the player; the title is drawn in the accent colour.
    HWND player = e2e::playerWindowOf(window);
    POINT corner = {5, 5};
    ClientToScreen(player, &corner);
    EXPECT_TRUE(e2e::waitUntil([&] { return screenPixel(corner.x, corner.y) == RGB(0x1E, 0x2A, 0x38); }, 5000))
        << std::hex << screenPixel(corner.x, corner.y);
    RECT titleArea = {30, 24, 180, 64};
    int accent = 0;
    for (int y = titleArea.top; y < titleArea.bottom; y += 2)
        for (int x = titleArea.left; x < titleArea.right; x += 2) {
            POINT point = {x, y};
            ClientToScreen(player, &point);
            if (screenPixel(point.x, point.y) == RGB(0xF0, 0xB0, 0x40)) ++accent;
        }
    EXPECT_GT(accent, 10) << "the title text is drawn";

    // Keys are shown once the demo has asked for events.
    SetForegroundWindow(window);
    ASSERT_TRUE(e2e::waitUntil([&] { return GetForegroundWindow() == window; }, 5000));
    e2e::pressKeys({VK_SHIFT, 'M'});
    EXPECT_EQ(run.waitForTrace("demo: event: key 77"), "demo: event: key 77 with Shift");

    PostMessageA(window, WM_CLOSE, 0, 0);
    run.waitForTrace("demo: close requested");
    EXPECT_TRUE(run.waitForExit());
}
