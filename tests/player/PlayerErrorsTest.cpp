#include "MovaraTest.h"
#include "PlayerHarness.h"
#include "framework/AutomationException.h"
#include "player/host/PlayerIds.h"
#include "tbx/ComPtr.h"

using namespace movara_test;

namespace {

class PlayerErrors : public HostedPlayerTest {
protected:
    // A movie whose script came from `scriptName`, as mkswf records it.
    std::string movie(const std::string& file, const std::string& script, const std::string& scriptName) {
        SwfOptions options;
        options.scriptName = scriptName;
        return writeMovie(dir / file, script, options);
    }
    // The line of standard error that starts "script error: " and holds text.
    std::string reportWith(const std::string& text) {
        std::string found;
        pumpUntil(
            [&] {
                const std::string& all = errors.text();
                for (size_t at = all.find("script error: "); at != std::string::npos;
                     at = all.find("script error: ", at + 1)) {
                    std::string line = all.substr(at, all.find('\n', at) - at);
                    if (line.find(text) != std::string::npos) return found = line, true;
                }
                return false;
            },
            5000);
        return found;
    }
};

}  // namespace

// Wherever the host entered the script, its error reaches the trace output
// with the function the host ran, the message, the file and the line; the
// host's own answer (a failed CallFunction, an unconsumed key) is as before.
TEST_F(PlayerErrors, EveryEntryReportsItsErrorWithFileAndLine) {
    std::string path =
        movie("entries.swf", R"(ExternalInterface.addCallback("onExtKeyDown", function () { null.event; });
ExternalInterface.addCallback("compute", function () { return missing + 1; });
Key.setAcceleratorHandler(function () { throw new TypeError("no keys today"); });
setTimeout(function tick() { undefined.timer(); }, 10);
ExternalInterface.addCallback("collect", function () { Duktape.fin({}, function () { throw new Error("fin"); }); });
function nested() { throw new Error("top"); }
nested();
)",
              "entries.js");
    ASSERT_TRUE(dialog.play(path));
    auto fails = [&](const char* name) { EXPECT_THROW(call(name), fw::AutomationException) << name; };
    auto key = [&] {
        auto active = tbx::ComPtr<IDispatch>(dialog.player().dispatch())
                          .query<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
        MSG msg = {dialog.player().controlWindow(), WM_KEYDOWN, 'K', 0};
        EXPECT_EQ(S_FALSE, active->TranslateAccelerator(&msg));
    };
    struct Case {
        const char* function;
        std::function<void()> trigger;  // null: the movie itself entered it
        const char* message;
        int line;
    };
    const Case cases[] = {
        {"the top level", nullptr, "Error: top", 6},
        {"the callback \"onExtKeyDown\"", [&] { fails("onExtKeyDown"); }, "TypeError", 1},
        {"the callback \"compute\"", [&] { fails("compute"); }, "ReferenceError", 2},
        {"the timer function \"tick\"", nullptr, "TypeError", 4},
        {"the key handler", key, "TypeError: no keys today", 3},
        {"a finalizer", [&] { call("collect"); }, "Error: fin", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        if (c.trigger) c.trigger();
        std::string report = reportWith(": " + std::string(c.function) + ": ");
        ASSERT_NE("", report) << "no report on standard error: " << errors.text();
        EXPECT_EQ(0u, report.find("script error: " + path + ": " + c.function + ": " + c.message)) << report;
        EXPECT_NE(std::string::npos, report.find("(entries.js:" + std::to_string(c.line) + ")")) << report;
    }
    // The stack keeps every frame of the movie's script, and no frame of the player's own.
    std::string all = errors.text();
    EXPECT_NE(std::string::npos, all.find("at nested (entries.js:6)")) << all;
    EXPECT_NE(std::string::npos, all.find("(entries.js:7)")) << all;
    EXPECT_EQ(std::string::npos, all.find("prelude")) << all;
}

// Only while the host asks for it (an author's /watch or /debug run) is an
// error drawn over the stage; a load that runs well takes it away.
TEST_F(PlayerErrors, ErrorsAreDrawnOverTheStageOnlyWhenTheHostAsks) {
    SwfOptions white;
    std::string broken = writeMovie(dir / "broken.swf", "throw new Error('drawn');", white);
    std::string good = writeMovie(dir / "good.swf", "trace('fine');", white);
    HWND host = dialog.player().window();
    const COLORREF band = RGB(150, 20, 20), stage = RGB(255, 255, 255);

    ASSERT_TRUE(dialog.play(broken));
    EXPECT_EQ(stage, PaintedPlayer(host, 200, 100).at(2, 2)) << "drawn without being asked";

    dialog.calls().put(player::kDispShowScriptErrors, tbx::Variant::fromBool(true));
    ASSERT_TRUE(dialog.play(broken));
    EXPECT_EQ(band, PaintedPlayer(host, 200, 100).at(2, 2));
    ASSERT_TRUE(dialog.play(good));
    EXPECT_EQ(stage, PaintedPlayer(host, 200, 100).at(2, 2));
}
