#include "MovaraTest.h"
#include "PlayerHarness.h"
#include "framework/AutomationException.h"
#include "player/host/PlayerIds.h"
#include "tbx/Handles.h"

using namespace movara_test;

namespace {

class PlayerLimits : public HostedPlayerTest {};

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
    ASSERT_TRUE(pumpTimerTicks(10, 10)) << "a timer of the test's own never fired ten times";
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

// Movies that replace the builtins the player encodes values with, hand the
// host's call native (reached through Duktape.act) forged lists, or pass
// values whose getters throw: each call fails with a script error or goes
// through unharmed, and afterwards the movie and the host still answer.
TEST_F(PlayerLimits, HostileScriptsCannotCrashOrAbortTheHost) {
    const char* const common = R"(
        ExternalInterface.addCallback("ping", function () { return ExternalInterface.call("alive"); });
        function outcome(attack) {
            try { attack(); return "passed"; } catch (e) { return "failed: " + e.message; }
        }
        // "a", 1 three hundred thousand times: arrays in arrays.
        function deepList() {
            var list = ["a", 1];
            for (var i = 0; i < 300000; i++) { list[list.length] = "a"; list[list.length] = 1; }
            list[list.length] = "u";
            return list;
        }
        // The call native, on the call stack while the host calls "grab" back.
        var callNative = null;
        ExternalInterface.addCallback("grab", function () {
            for (var level = -2; Duktape.act(level - 1); level--)
                if (Duktape.act(level - 1).function === ExternalInterface.call) callNative = Duktape.act(level).function;
        });
        ExternalInterface.call("reenter");
        function viaNative(list) {
            var answer = callNative("send", list);
            if (!answer[0]) throw new Error(answer[1]);
        }
        function throwingGetter(target, key) {
            Object.defineProperty(target, key, {
                enumerable: true, get: function () { throw new Error("the getter throws"); } });
            return target;
        }
    )";
    struct Case {
        const char* name;
        const char* attack;   // the body of the callback "attack", whose outcome it answers
        const char* outcome;  // what the callback answers (the start of it)
        const char* sent;     // the arguments of the host's last "send"; null: none
    };
    const Case cases[] = {
        {"push forges a deep list",
         "Array.prototype.push = function () { var l = deepList(); for (var i = 0; i < l.length; i++) "
         "this[this.length] = l[i]; return this.length; }; ExternalInterface.call('send', 1);",
         "passed", "<number>1</number>"},
        {"push plants a throwing getter",
         "Array.prototype.push = function () { throwingGetter(this, this.length); return this.length; };"
         "ExternalInterface.call('send', 'x');",
         "passed", "<string>x</string>"},
        {"setters on the prototypes",
         "throwingGetter(Array.prototype, '0'); Object.defineProperty(Array.prototype, '1', { set: function () "
         "{ throw new Error('the setter throws'); } }); ExternalInterface.call('send', [5, 6]);",
         "passed",
         "<array><property id=\"0\"><number>5</number></property>"
         "<property id=\"1\"><number>6</number></property></array>"},
        {"Object.keys and Array.isArray replaced",
         "Object.keys = function () { return { length: 1e9 }; }; Array.isArray = function () { return true; };"
         "ExternalInterface.call('send', { real: 1 });",
         "passed", "<object><property id=\"real\"><number>1</number></property></object>"},
        {"a value nested 300000 deep",
         "var v = 0; for (var i = 0; i < 300000; i++) v = [v]; ExternalInterface.call('send', v);",
         "failed: value nested too deeply", nullptr},
        {"a throwing getter on a value", "ExternalInterface.call('send', throwingGetter({}, 'x'));",
         "failed: the getter throws", nullptr},
        {"the native handed a forged deep list", "viaNative(deepList());", "failed: value nested too deeply", nullptr},
        {"the native handed a list whose getter throws", "viaNative(throwingGetter(['a', 1], 2));",
         "failed: Error: the getter throws", nullptr},
        {"the native handed no list", "viaNative();", "failed: TypeError: the value list is not one", nullptr},
        {"the native handed a list with an object", "viaNative(['a', 1, {}]);",
         "failed: TypeError: the value list is not one", nullptr},
    };
    dialog.onFlashCall = [&](const std::string& invoke, std::string& answer) {
        if (invoke.find("\"reenter\"") != std::string::npos) call("grab");
        answer = "<string>alive</string>";
        return invoke.find("\"alive\"") != std::string::npos;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.flashCalls.clear();
        ASSERT_TRUE(dialog.play(writeMovie(dir / "hostile.swf", std::string(common) +
                                                                    "ExternalInterface.addCallback('attack', "
                                                                    "function () { return outcome(function () {" +
                                                                    c.attack + "}); });")));
        std::string answer = call("attack");

        EXPECT_EQ(0u, answer.find("<string>" + std::string(c.outcome))) << answer;
        std::vector<std::string> sent = dialog.callsNamed("send");
        if (c.sent) {
            ASSERT_EQ(1u, sent.size());
            EXPECT_EQ(c.sent, argumentsOf(sent[0]));
        } else {
            EXPECT_TRUE(sent.empty()) << sent[0];
        }
        EXPECT_EQ("<string>alive</string>", call("ping"));
    }
    EXPECT_EQ(std::string::npos, errors.text().find("script engine failure")) << errors.text();
}
