// Movies whose scripts never end, in the main player and on the rasteriser:
// the script is stopped, and the program still ends with its temporary
// folders deleted.
#include "MoviePrelude.h"
#include "MovaraRun.h"

using e2e::MovaraRun;
using e2e::withPrelude;

namespace {

// A temporary folder the program deletes as it ends.
const char* const kTempFolder = R"JS(
var folder = call("getTempPath") + "movara_runaway_" + Math.floor(Math.random() * 1e9);
report("dir", "createDirectory", folder);
report("use", "useTempFolder", folder);
trace("folder " + folder);
)JS";

void writeSettings(MovaraRun& run, const char* seconds) {
    run.writeSettings(std::string("<?xml version=\"1.0\"?>\n<settings><player scriptTimeLimit=\"") + seconds +
                      "\"/><security><fileAccess><allow match=\"*\" access=\"rwx\" />"
                      "</fileAccess></security></settings>");
}

// Closes the main window and expects the program to end with the folder gone.
void closeAndExpectCleanExit(MovaraRun& run, const std::string& folder) {
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.waitForExit()) << "waited for the program to end after WM_CLOSE";
    EXPECT_FALSE(movara_test::directoryExists(folder)) << folder;
}

}  // namespace

TEST(RunawayEndToEnd, AMainMovieTimerThatNeverEndsIsStoppedAndTheWindowStillAnswers) {
    MovaraRun run;
    writeSettings(run, "1");
    run.writeMovie(withPrelude(std::string(kTempFolder) + R"JS(
setTimeout(function mainSpin() { trace("main spinning"); for (;;) {} }, 10);
)JS"));
    run.start();
    std::string folder = movara_test::utf8ToCp932(run.waitForTrace("folder ").substr(7));
    std::string stopped = run.waitForTrace("script error: ");
    EXPECT_NE(std::string::npos, stopped.find("the timer function \"mainSpin\" ran longer than the script time limit"))
        << stopped;
    closeAndExpectCleanExit(run, folder);
}

// The rasterised movie's script is still running (its limit is far off) when
// the program ends: the rasteriser stops it at once instead of waiting.
TEST(RunawayEndToEnd, ARasterisedMovieThatNeverEndsDoesNotHoldUpTheExit) {
    MovaraRun run;
    writeSettings(run, "600");
    movara_test::writeBytes(run.path("loop.js"),
                            R"JS(setTimeout(function rasterSpin() { trace("raster spinning"); for (;;) {} }, 0);)JS");
    run.writeMovie(withPrelude(std::string(kTempFolder) + R"JS(
trace("rendered " + show(ExternalInterface.call("rasterizeSwf", "loop.js", "loop.png", false, 100, "", 0, 0, 40, 30)));
)JS"));
    run.start();
    std::string folder = movara_test::utf8ToCp932(run.waitForTrace("folder ").substr(7));
    EXPECT_EQ("rendered true", run.waitForTrace("rendered "));
    run.waitForTrace("raster spinning");
    closeAndExpectCleanExit(run, folder);
    std::string stopped = run.waitForTrace("script error: ", 0);
    EXPECT_NE(std::string::npos, stopped.find("\"rasterSpin\" was stopped because its thread is ending")) << stopped;
}

// Escapes from the limit: script entered from inside a host call spends the
// time of the entry that made the call ("moveWindow" sends the move event at
// once, and each event spins under the limit), and a finalizer that never
// ends runs as the heap is freed at exit. Both are stopped, and the program
// still ends with its temporary folder deleted.
TEST(RunawayEndToEnd, NestedEntriesAndFinalizersCannotEscapeTheLimit) {
    struct Case {
        const char* name;
        const char* script;
        const char* stopped;  // what the time-out report says; it comes before the close
    };
    const Case cases[] = {
        {"a nested event",
         R"JS(
ExternalInterface.addCallback("onMoveWindow", function () {
  for (var end = Date.now() + 600; Date.now() < end;) {}
});
setTimeout(function mover() { for (var x = 0; ; x = 1 - x) call("moveWindow", 100 + x, 100); }, 10);
)JS",
         "ran longer than the script time limit (1 s)"},
        {"a finalizer at exit", R"JS(
var kept = {};
Duktape.fin(kept, function () { for (;;) {} });
)JS",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MovaraRun run;
        writeSettings(run, "1");
        run.writeMovie(withPrelude(std::string(kTempFolder) + c.script));
        run.start();
        std::string folder = movara_test::utf8ToCp932(run.waitForTrace("folder ").substr(7));
        if (c.stopped) {
            std::string stopped = run.waitForTrace("script error: ");
            EXPECT_NE(std::string::npos, stopped.find(c.stopped)) << stopped;
        }
        closeAndExpectCleanExit(run, folder);
        if (!c.stopped) {
            std::string stopped = run.waitForTrace("script error: ", 0);
            EXPECT_NE(std::string::npos, stopped.find("the finalizers at unload ran longer")) << stopped;
        }
    }
}
