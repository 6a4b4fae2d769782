// Automation objects and child windows, through a running movara.exe.
#include "MoviePrelude.h"
#include "MovaraRun.h"
#include "OleTestServer.h"

using e2e::MovaraRun;
using e2e::withPrelude;
using movara_test::cp932ToUtf8;

TEST(AutomationEndToEnd, AMovieDrivesAnAutomationObjectAndPlaysAMovieInAChildWindow) {
    movara_test::OleTestServerRegistration registration;
    MovaraRun run;
    run.writeMovie("trace('child playing ' + stage.width);", "child.swf");
    run.writeMovie(withPrelude(R"JS(
var o = call("coCreateInstance", "MovaraTest.Automation");
trace("object " + show(o));
call("olePropPut", o, "Text", "動画から");
report("text", "olePropGet", o, "Text");
report("describe", "oleCallFunction", o, "Describe", ["a", 2]);
report("release", "oleRelease", o);
report("released", "olePropGet", o, "Text");
var visibleChild = 0x50000000;
trace("window " + show(ExternalInterface.call("axWindow", "child.swf", 10, 10, 200, 100, visibleChild, 0)));
trace("control " + show(ExternalInterface.call("axWindow", ".swf", 10, 120, 20, 20, visibleChild, 0)));
)JS"));
    run.start();
    EXPECT_EQ(run.waitForTrace("object"), "object {\"disp\":1}");
    EXPECT_EQ(run.waitForTrace("text"), cp932ToUtf8("text \"動画から\""));
    EXPECT_EQ(run.waitForTrace("describe"), "describe \"count=2 1=2 2=a\"");
    EXPECT_EQ(run.waitForTrace("release"), "release null");
    EXPECT_EQ(run.waitForTrace("released"),
              cp932ToUtf8("released {\"message\":\"オブジェクトのハンドルが正しくありません。\",\"type\":\"error\"}"));
    EXPECT_EQ(run.waitForTrace("window"), "window 0");
    EXPECT_EQ(run.waitForTrace("control"), "control 1");
    EXPECT_EQ(run.waitForTrace("child playing"), "child playing 550");
}
