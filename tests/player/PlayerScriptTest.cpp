#include "MovaraTest.h"
#include "PlayerHarness.h"
#include "framework/AutomationException.h"
#include "player/host/PlayerIds.h"
#include "tbx/Handles.h"

using namespace movara_test;

namespace {

class PlayerScript : public ::testing::Test {
protected:
    PlayerThreadSetup setup;
    ScratchDir dir;
    PlayerDialog dialog;
    void SetUp() override { ASSERT_TRUE(dialog.Create()); }

    std::string invokeName(const std::string& invoke) {
        size_t start = invoke.find('"') + 1;
        return invoke.substr(start, invoke.find('"', start) - start);
    }
};

}  // namespace

TEST_F(PlayerScript, ExternalCallsWriteEveryValueTypeAndReturnWhatTheHostSet) {
    dialog.onFlashCall = [&](const std::string& invoke, std::string& answer) {
        if (invokeName(invoke) != "echo") return false;
        answer = argumentsOf(invoke);
        return true;
    };
    ASSERT_TRUE(dialog.play(writeMovie(dir / "values.swf",
                                       u8R"(
        var values = ["text <&\"'> 表", 42, -7, 1.5, 1e21, true, false, null, undefined,
                      [1, "a", [2]], {a: "x", b: {c: []}}];
        var wrong = [];
        for (var i = 0; i < values.length; i++) {
            var got = ExternalInterface.call("echo", values[i]);
            if (typeof got !== typeof values[i] || JSON.stringify(got) !== JSON.stringify(values[i]))
                wrong.push(i + "=" + JSON.stringify(got));
        }
        if (ExternalInterface.call("unanswered", 1) !== undefined) wrong.push("unanswered");
        ExternalInterface.call("report", wrong.join(" "));
    )")));
    std::vector<std::string> echoes;
    for (const auto& call : dialog.callsNamed("echo")) echoes.push_back(argumentsOf(call));
    std::vector<std::string> expected = {
        "<string>text &lt;&amp;&quot;&apos;&gt; 表</string>",
        "<number>42</number>",
        "<number>-7</number>",
        "<number>1.5</number>",
        "<number>1e+21</number>",
        "<true/>",
        "<false/>",
        "<null/>",
        "<undefined/>",
        "<array><property id=\"0\"><number>1</number></property><property id=\"1\"><string>a</string></property>"
        "<property id=\"2\"><array><property id=\"0\"><number>2</number></property></array></property></array>",
        "<object><property id=\"a\"><string>x</string></property><property id=\"b\"><object>"
        "<property id=\"c\"><array></array></property></object></property></object>",
    };
    EXPECT_EQ(expected, echoes);
    ASSERT_EQ(1u, dialog.callsNamed("report").size());
    // 1e21 comes back as the integer 1: that is how the host reads a number without a point.
    EXPECT_EQ("<string>4=1</string>", argumentsOf(dialog.callsNamed("report")[0]));
    EXPECT_EQ("<invoke name=\"unanswered\" returntype=\"xml\"><arguments><number>1</number></arguments></invoke>",
              dialog.callsNamed("unanswered")[0]);
}

TEST_F(PlayerScript, CallFunctionReachesRegisteredCallbacksAndFailsForUnknownOnesAndScriptErrors) {
    dialog.onFlashCall = [&](const std::string& invoke, std::string& answer) {
        answer = "<number>7</number>";
        return invokeName(invoke) == "inner";
    };
    ASSERT_TRUE(dialog.play(writeMovie(dir / "callbacks.swf",
                                       u8R"(
        ExternalInterface.addCallback("add", function (a, b) { return a + b; });
        ExternalInterface.addCallback("greet", function (name) { return "こんにちは " + name; });
        ExternalInterface.addCallback("fail", function () { throw new Error("broken callback"); });
        ExternalInterface.addCallback("nested", function () { return ExternalInterface.call("inner") * 2; });
        ExternalInterface.addCallback("nothing", function () {});
        ExternalInterface.addCallback("shape", function (o) { return [o.list.length, o.flag, typeof o.gone]; });
    )")));
    EXPECT_EQ("<number>5.5</number>",
              dialog.callFunction("<invoke name=\"add\" returntype=\"xml\"><arguments><number>2</number>"
                                  "<number>3.5</number></arguments></invoke>"));
    EXPECT_EQ("<string>こんにちは 表</string>",
              dialog.callFunction("<invoke name=\"greet\" returntype=\"xml\"><arguments><string>表</string>"
                                  "</arguments></invoke>"));
    EXPECT_EQ("<number>14</number>", dialog.callFunction("<invoke name=\"nested\" returntype=\"xml\"></invoke>"));
    EXPECT_EQ("<undefined/>", dialog.callFunction("<invoke name=\"nothing\" returntype=\"xml\"></invoke>"));
    EXPECT_EQ(
        "<array><property id=\"0\"><number>2</number></property><property id=\"1\"><true/></property>"
        "<property id=\"2\"><string>undefined</string></property></array>",
        dialog.callFunction("<invoke name=\"shape\" returntype=\"xml\"><arguments><object>"
                            "<property id=\"list\"><array><property id=\"0\"><null/></property>"
                            "<property id=\"1\"><string>x</string></property></array></property>"
                            "<property id=\"flag\"><true/></property></object></arguments></invoke>"));

    try {
        dialog.callFunction("<invoke name=\"unknown\" returntype=\"xml\"></invoke>");
        FAIL() << "an unknown function must fail";
    } catch (const fw::AutomationException& e) {
        EXPECT_NE(std::string::npos, e.description().find("unknown")) << e.description();
    }
    try {
        dialog.callFunction("<invoke name=\"fail\" returntype=\"xml\"></invoke>");
        FAIL() << "a throwing callback must fail";
    } catch (const fw::AutomationException& e) {
        EXPECT_NE(std::string::npos, e.description().find("broken callback")) << e.description();
    }
    EXPECT_THROW(dialog.callFunction("not an invoke"), fw::AutomationException);
    // The movie still answers after the failures.
    EXPECT_EQ("<number>3</number>",
              dialog.callFunction("<invoke name=\"add\" returntype=\"xml\"><arguments><number>1</number>"
                                  "<number>2</number></arguments></invoke>"));
}

TEST_F(PlayerScript, FscommandRaisesTheCommandEventAndTraceWritesUtf8LinesToStandardOutput) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16));
    tbx::KernelHandle reader(readEnd), writer(writeEnd);
    HANDLE original = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, writer.get());
    bool played = dialog.play(writeMovie(dir / "trace.swf",
                                         u8R"(
        fscommand("readyRender", "x y");
        fscommand("bare");
        trace("a", 1, true, null, undefined, "表");
        trace();
    )"));
    SetStdHandle(STD_OUTPUT_HANDLE, original);
    writer.reset();
    ASSERT_TRUE(played);

    std::vector<std::pair<std::string, std::string>> expected = {{"readyRender", "x y"}, {"bare", ""}};
    EXPECT_EQ(expected, dialog.commands);
    std::string output;
    char buffer[256];
    DWORD count = 0;
    DWORD available = 0;
    while (PeekNamedPipe(reader.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(reader.get(), buffer, sizeof(buffer), &count, nullptr) && count > 0)
        output.append(buffer, count);
    EXPECT_EQ(std::string(u8"a 1 true null undefined 表\n\n"), output);
}

TEST_F(PlayerScript, TimersFireOnTheControlsThreadUntilCleared) {
    ASSERT_TRUE(dialog.play(writeMovie(dir / "timers.swf", R"(
        var total = 0;
        var id = setInterval(function (step) {
            total += step;
            ExternalInterface.call("tick", total);
            if (total >= 3) {
                clearInterval(id);
                setTimeout(function (a, b) { ExternalInterface.call("done", a + b); }, 20, 40, 2);
                // By this one's turn, a cleared timer would have fired.
                setTimeout(function () { ExternalInterface.call("later"); }, 150);
            }
        }, 10, 1);
        clearTimeout(setTimeout(function () { ExternalInterface.call("cancelled"); }, 15));
    )")));
    ASSERT_TRUE(pumpUntil([&] { return !dialog.callsNamed("later").empty(); })) << "the last timer never fired";
    auto ticks = dialog.callsNamed("tick");
    ASSERT_EQ(3u, ticks.size());
    EXPECT_EQ("<number>3</number>", argumentsOf(ticks[2]));
    ASSERT_EQ(1u, dialog.callsNamed("done").size());
    EXPECT_EQ("<number>42</number>", argumentsOf(dialog.callsNamed("done")[0]));
    EXPECT_TRUE(dialog.callsNamed("cancelled").empty());
}

TEST_F(PlayerScript, FlashVarsAndTheMovieQueryBecomeTheFlashVarsObject) {
    std::string movie = writeMovie(dir / "vars.swf",
                                   "ExternalInterface.call('vars', flashVars.a, flashVars.b, flashVars.c, "
                                   "flashVars.q, typeof flashVars.none);");
    ASSERT_TRUE(dialog.play(movie + "?q=from+url&a=0", "a=1&b=x%20y&c=%E8%A1%A8&a=2"));
    ASSERT_EQ(1u, dialog.callsNamed("vars").size());
    EXPECT_EQ(
        "<string>2</string><string>x y</string><string>表</string><string>from url</string>"
        "<string>undefined</string>",
        argumentsOf(dialog.callsNamed("vars")[0]));
    EXPECT_EQ(movie + "?q=from+url&a=0", dialog.calls().get(player::kDispMovie).toAnsi());
}

TEST_F(PlayerScript, ANewMovieReplacesTheRunningOneEvenWhenLoadedFromInsideItsScript) {
    std::string second = writeMovie(dir / "second.swf", R"(
        ExternalInterface.call('second');
        setInterval(function () { ExternalInterface.call("second tick"); }, 10);
    )");
    dialog.onFlashCall = [&](const std::string& invoke, std::string&) {
        // The host loads another movie while the first one's script is running.
        if (invokeName(invoke) == "switch") dialog.calls().put(player::kDispMovie, tbx::Variant::fromAnsi(second));
        return false;
    };
    ASSERT_TRUE(dialog.play(writeMovie(dir / "first.swf", R"(
        setInterval(function () { ExternalInterface.call("first tick"); }, 10);
        ExternalInterface.addCallback("go", function () { ExternalInterface.call("switch"); return 1; });
    )")));
    EXPECT_EQ("<number>1</number>", dialog.callFunction("<invoke name=\"go\" returntype=\"xml\"></invoke>"));
    ASSERT_TRUE(pumpUntil([&] { return !dialog.callsNamed("second").empty(); }));
    size_t ticks = dialog.callsNamed("first tick").size();
    // The second movie's interval, as short as the first's, ticking over and
    // over shows the first one's would have ticked too.
    ASSERT_TRUE(pumpUntil([&] { return dialog.callsNamed("second tick").size() >= 5; }))
        << "the second movie's interval never ticked";
    EXPECT_EQ(ticks, dialog.callsNamed("first tick").size());  // the first movie's timers are gone
    EXPECT_THROW(dialog.callFunction("<invoke name=\"go\" returntype=\"xml\"></invoke>"), fw::AutomationException);
}

TEST_F(PlayerScript, AMovieThatLoadsAnotherFromItsTopLevelReportsOnlyTheNewOneComplete) {
    std::string second = writeMovie(dir / "next.swf", "ExternalInterface.call('next');");
    dialog.onFlashCall = [&](const std::string& invoke, std::string&) {
        if (invokeName(invoke) == "leave") dialog.calls().put(player::kDispMovie, tbx::Variant::fromAnsi(second));
        return false;
    };
    dialog.calls().put(player::kDispMovie,
                       tbx::Variant::fromAnsi(writeMovie(dir / "first.swf", "ExternalInterface.call('leave');")));
    ASSERT_TRUE(pumpUntil([&] { return !dialog.callsNamed("next").empty() && !dialog.readyStates.empty(); }));
    ASSERT_TRUE(pumpPostedMessages()) << "the player's queued messages were never dispatched";
    EXPECT_EQ(std::vector<int>{4}, dialog.readyStates);
    EXPECT_EQ(second, dialog.calls().get(player::kDispMovie).toAnsi());
}

TEST_F(PlayerScript, TheAcceleratorHandlerSeesKeyboardMessagesAndConsumesThoseItAnswersTrueFor) {
    auto active =
        tbx::ComPtr<IDispatch>(dialog.player().dispatch()).query<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
    ASSERT_TRUE(active);
    MSG key = {dialog.player().controlWindow(), WM_KEYDOWN, 'A', 0};
    // No movie yet: nothing to ask.
    EXPECT_EQ(S_FALSE, active->TranslateAccelerator(&key));

    ASSERT_TRUE(dialog.play(writeMovie(dir / "keys.swf", R"(
        if (Key.setAcceleratorHandler(null) !== undefined) ExternalInterface.call("bad return");
        try { Key.setAcceleratorHandler(5); } catch (e) { ExternalInterface.call("refused", e.name); }
        Key.setAcceleratorHandler(function (code, type, modifiers) {
            ExternalInterface.call("key", code, type, modifiers);
            if (code == 0x51) throw new Error("broken handler");
            if (code == 0x5A) Key.setAcceleratorHandler(null);
            return code == 0x41 ? true : 1;  // only true itself consumes
        });
    )")));
    EXPECT_EQ("<string>TypeError</string>", argumentsOf(dialog.callsNamed("refused").at(0)));
    struct Case {
        UINT message;
        WPARAM code;
        HRESULT expected;
        const char* seen;  // arguments the handler saw; null: not offered
    };
    const Case cases[] = {
        {WM_KEYDOWN, 'A', S_OK, "<number>65</number><string>keyDown</string><number>0</number>"},
        {WM_KEYUP, 'A', S_OK, "<number>65</number><string>keyUp</string><number>0</number>"},
        {WM_CHAR, 'a', S_FALSE, "<number>97</number><string>char</string><number>0</number>"},
        {WM_SYSKEYDOWN, 'B', S_FALSE, "<number>66</number><string>sysKeyDown</string><number>0</number>"},
        {WM_SYSKEYUP, 'B', S_FALSE, "<number>66</number><string>sysKeyUp</string><number>0</number>"},
        {WM_SYSCHAR, 'b', S_FALSE, "<number>98</number><string>sysChar</string><number>0</number>"},
        {WM_MOUSEMOVE, 'A', S_FALSE, nullptr},
        {WM_TIMER, 'A', S_FALSE, nullptr},
        {WM_KEYDOWN, 'Q', S_FALSE, "<number>81</number><string>keyDown</string><number>0</number>"},
        {WM_KEYDOWN, 'Z', S_FALSE, "<number>90</number><string>keyDown</string><number>0</number>"},
        {WM_KEYDOWN, 'A', S_FALSE, nullptr},  // the handler removed itself
    };
    for (const Case& c : cases) {
        size_t before = dialog.callsNamed("key").size();
        MSG msg = {dialog.player().controlWindow(), c.message, c.code, 0};
        EXPECT_EQ(c.expected, active->TranslateAccelerator(&msg)) << c.message << " " << c.code;
        auto seen = dialog.callsNamed("key");
        if (c.seen) {
            ASSERT_EQ(before + 1, seen.size()) << c.message;
            EXPECT_EQ(c.seen, argumentsOf(seen.back()));
        } else {
            EXPECT_EQ(before, seen.size()) << c.message;
        }
    }
    EXPECT_EQ(E_INVALIDARG, active->TranslateAccelerator(nullptr));
    EXPECT_TRUE(dialog.callsNamed("bad return").empty());
}
