#include "MovaraTest.h"
#include "PlayerHarness.h"
#include "framework/AutomationException.h"
#include "player/host/PlayerIds.h"
#include "tbx/Handles.h"

using namespace movara_test;

namespace {

// The player's standard error (script errors) while the object lives.
class ErrorCapture {
public:
    ErrorCapture() {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16);
        reader_.reset(readEnd);
        writer_.reset(writeEnd);
        original_ = GetStdHandle(STD_ERROR_HANDLE);
        SetStdHandle(STD_ERROR_HANDLE, writer_.get());
    }
    ~ErrorCapture() { SetStdHandle(STD_ERROR_HANDLE, original_); }
    const std::string& text() {
        char buffer[4096];
        DWORD available = 0, count = 0;
        while (PeekNamedPipe(reader_.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
               ReadFile(reader_.get(), buffer, sizeof buffer, &count, nullptr) && count > 0)
            text_.append(buffer, count);
        return text_;
    }

private:
    tbx::KernelHandle reader_, writer_;
    HANDLE original_ = nullptr;
    std::string text_;
};

class PlayerLimits : public ::testing::Test {
protected:
    PlayerThreadSetup setup;
    ScratchDir dir;
    PlayerDialog dialog;
    ErrorCapture errors;
    void SetUp() override { ASSERT_TRUE(dialog.Create()); }
    std::string call(const std::string& name) {
        return dialog.callFunction("<invoke name=\"" + name + "\" returntype=\"xml\"></invoke>");
    }
};

}  // namespace

// A script that never ends is stopped wherever the host entered it, even one
// that catches the error; the movie's other callbacks still answer, and an
// interval that ran past the limit does not fire again.
TEST_F(PlayerLimits, AScriptPastTheTimeLimitIsStoppedAndTheMovieGoesOn) {
    const char* const common = R"(
        ExternalInterface.addCallback("ping", function () { return "pong"; });
        function stubborn() { for (;;) { try { for (;;) {} } catch (e) {} finally { continue; } } }
    )";
    struct Case {
        const char* name;
        const char* script;
        const char* trigger;  // the callback the test calls; null: none
        const char* reported;
    };
    const Case cases[] = {
        {"top", "function topLoop() { for (;;) {} } topLoop();", nullptr, "top.swf: the top level ran longer"},
        {"callback", "ExternalInterface.addCallback('spin', stubborn);", "spin",
         "callback.swf: the callback \"spin\" ran longer"},
        {"timer", "setInterval(function spinner() { ExternalInterface.call('tick'); stubborn(); }, 10);", nullptr,
         "timer.swf: the timer function \"spinner\" ran longer"},
    };
    dialog.calls().put(player::kDispScriptTimeLimit, tbx::Variant::fromAnsi("0.5"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(dialog.play(writeMovie(dir / (std::string(c.name) + ".swf"), std::string(common) + c.script)));
        if (c.trigger) {
            try {
                call(c.trigger);
                ADD_FAILURE() << "a callback past the limit must fail";
            } catch (const fw::AutomationException& e) {
                EXPECT_NE(std::string::npos, e.description().find("script time limit")) << e.description();
            }
        }
        ASSERT_TRUE(pumpUntil([&] { return errors.text().find(c.reported) != std::string::npos; }, 10000))
            << "waited for the time-out of " << c.name << " on standard error; it says: " << errors.text();
        EXPECT_EQ("<string>pong</string>", call("ping"));
    }
    EXPECT_NE(std::string::npos, errors.text().find("(0.5 s)"));
    EXPECT_NE(std::string::npos, errors.text().find("at topLoop")) << "the stack names the function";
    pumpFor(200);
    EXPECT_EQ(1u, dialog.callsNamed("tick").size()) << "the interval was stopped";
}

// Time the host spends on the script's calls does not count against it.
TEST_F(PlayerLimits, TimeInTheHostDoesNotCount) {
    dialog.calls().put(player::kDispScriptTimeLimit, tbx::Variant::fromAnsi("0.3"));
    dialog.onFlashCall = [](const std::string&, std::string&) {
        Sleep(200);  // the host's work, not a wait for an outcome
        return false;
    };
    ASSERT_TRUE(dialog.play(writeMovie(dir / "slow-host.swf", R"(
        for (var i = 0; i < 4; i++) ExternalInterface.call("work");
        ExternalInterface.call("finished");
    )")));
    EXPECT_EQ(1u, dialog.callsNamed("finished").size()) << errors.text();
}
