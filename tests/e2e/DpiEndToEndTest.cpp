// Movara on a 192 DPI (200%) screen: the program declares itself per-monitor
// DPI aware, so the system never stretches its window as a bitmap, and the
// movie's window coordinates stay the screen's pixels.
#include "MovaraRun.h"
#include "MoviePrelude.h"

using e2e::MovaraRun;
using e2e::screenPixel;

namespace {

const COLORREF kRed = RGB(0xFF, 0, 0);
const COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);

// The points of the player's client area where the 100 x 40 red rectangle at
// (10, 10) is not drawn as it should be, red inside and white around; "" when
// it is.
std::string rectangleMismatches(HWND player) {
    struct Probe {
        int x, y;
        COLORREF colour;
    } probes[] = {{10, 10, kRed},  {109, 49, kRed},   {9, 10, kWhite},
                  {10, 9, kWhite}, {110, 49, kWhite}, {109, 50, kWhite}};
    std::string mismatches;
    for (const Probe& probe : probes) {
        POINT point = {probe.x, probe.y};
        ClientToScreen(player, &point);
        if (screenPixel(point.x, point.y) != probe.colour)
            mismatches += " (" + std::to_string(probe.x) + ", " + std::to_string(probe.y) + ")";
    }
    return mismatches;
}

}  // namespace

TEST(DpiEndToEnd, At192DpiTheWindowIsPerMonitorAwareAndTheMoviesPixelsAreTheScreens) {
    e2e::DesktopDpi dpi(192);
    MovaraRun run;
    run.writeMovie(e2e::withPrelude(R"JS(
call("moveWindow", 40, 30, 400, 300);
graphics.clear();
graphics.fillRect(10, 10, 100, 40, 0xFF0000);
graphics.drawText(10, 70, "Movara 192 DPI", 0x000000, 24);
var r = call("getWindowRect");
trace("rect " + [r.left, r.top, r.right, r.bottom].join(" "));
)JS"));
    run.start();
    EXPECT_EQ(run.waitForTrace("rect "), "rect 40 30 440 330");
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);

    // Aware of the screen's DPI: nothing between the program and the screen
    // scales, so the window is where and as large as the movie asked.
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(window)),
              DPI_AWARENESS_PER_MONITOR_AWARE);
    RECT frame = {};
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, 40);
    EXPECT_EQ(frame.top, 30);
    EXPECT_EQ(frame.right - frame.left, 400);
    EXPECT_EQ(frame.bottom - frame.top, 300);

    // The player as large as the stage (550 x 400), so that the stage is not
    // scaled to fit: the 100 x 40 rectangle then covers exactly 100 x 40
    // screen pixels with sharp edges, where a stretched window would double
    // it and blur its border.
    HWND player = e2e::playerWindowOf(window);
    RECT client = {};
    GetClientRect(player, &client);
    SetWindowPos(window, nullptr, 0, 0, 400 + 550 - client.right, 300 + 400 - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(e2e::waitUntil([&] {
        GetClientRect(player, &client);
        return client.right == 550 && client.bottom == 400;
    })) << "the player is "
        << client.right << " x " << client.bottom;
    std::string mismatches;
    EXPECT_TRUE(e2e::waitUntil([&] { return (mismatches = rectangleMismatches(player)).empty(); }, 5000))
        << "the rectangle is not drawn as asked at" << mismatches;
}
