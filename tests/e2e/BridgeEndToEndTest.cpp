// The movie's commands and their answers, through a running movara.exe.
#include "MoviePrelude.h"
#include "MovaraRun.h"

using e2e::MovaraRun;
using e2e::withPrelude;
using movara_test::cp932ToUtf8;

TEST(BridgeEndToEnd, ValuesCrossBothWays) {
    MovaraRun run;
    run.writeMovie(withPrelude(R"JS(
call("moveWindow", 10.7, 20.2, 300, 200);
report("rect", "getWindowRect");
report("title-ok", "setWindowTitle", "表示 <&> \"q\"");
report("title-null", "setWindowTitle", null);
report("title-number", "setWindowTitle", 5);
report("move-bool", "moveWindow", true, 1);
report("missing", "moveWindow", 1);
report("exists", "fileExists", "movara.exe");
report("names", "getFileNames", ".", ["*.exe", "*.swf"]);
report("unknown", "noSuchCommand", [1, "two", {three: 3.5}], {a: [true, false]});
report("misspelt", "fileExist", "movara.exe");
report("no-file", "loadTextFile", "no such file.txt", "UTF-8");
ExternalInterface.addCallback("echo", function (v) { return v; });
trace("ready");
)JS"));
    run.start();
    EXPECT_EQ(run.waitForTrace("rect"), "rect {\"bottom\":220,\"left\":10,\"right\":310,\"top\":20}");
    EXPECT_EQ(run.waitForTrace("title-ok"), "title-ok null");
    EXPECT_EQ(run.waitForTrace("title-null"), "title-null null");
    EXPECT_EQ(run.waitForTrace("title-number"), "title-number {\"message\":\"type error\",\"type\":\"error\"}");
    EXPECT_EQ(run.waitForTrace("move-bool"), "move-bool {\"message\":\"type error\",\"type\":\"error\"}");
    EXPECT_EQ(run.waitForTrace("missing"),
              cp932ToUtf8("missing {\"message\":\"配列のインデックスが範囲を超えています。\",\"type\":\"error\"}"));
    // The movie's answers stay as they are; the trace output says which
    // command and argument the failure was about.
    EXPECT_EQ(run.waitForTrace("movara: \"setWindowTitle\""),
              "movara: \"setWindowTitle\": argument 1 has the wrong type: a number was given");
    EXPECT_EQ(run.waitForTrace("movara: \"moveWindow\": argument 1"),
              "movara: \"moveWindow\": argument 1 has the wrong type: a boolean was given");
    EXPECT_EQ(run.waitForTrace("movara: \"moveWindow\": it takes"),
              "movara: \"moveWindow\": it takes 2 to 4 arguments, 1 given");
    EXPECT_EQ(run.waitForTrace("movara: \"moveWindow\": argument 2"),
              "movara: \"moveWindow\": argument 2 is missing; it takes 2 to 4 arguments, 1 given");
    EXPECT_EQ(run.waitForTrace("exists"), "exists true");
    EXPECT_EQ(run.waitForTrace("names"), "names [\"movara.exe\",\"Ovara.swf\"]");
    EXPECT_EQ(run.waitForTrace("unknown"),
              cp932ToUtf8("unknown {\"message\":\"呼び出された処理が見つかりませんでした。\",\"type\":\"error\"}"));
    // A name no command has is traced with the names nearest to it, and a
    // file error with the path it was about.
    EXPECT_EQ(run.waitForTrace("movara: \"noSuchCommand\""), "movara: \"noSuchCommand\" is no command of this program");
    EXPECT_EQ(run.waitForTrace("movara: \"fileExist\""),
              "movara: \"fileExist\" is no command of this program; did you mean \"fileExists\"?");
    EXPECT_EQ(run.waitForTrace("movara: \"loadTextFile\""),
              cp932ToUtf8("movara: \"loadTextFile\": ファイルを読み込み用に開く事が出来ませんでした。 (" +
                          run.path("no such file.txt") + ")"));
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    char title[64] = "x";
    GetWindowTextA(window, title, sizeof(title));
    EXPECT_STREQ(title, "");  // the null title came last
}

TEST(BridgeEndToEnd, LockedApiWantsTheKeyFirst) {
    MovaraRun run;
    run.writeMovie(withPrelude(R"JS(
var key = call("lockApi");
trace("key " + key.length + " " + key.substring(22));
report("without", "getWindowRect");
report("wrong", "setWindowTitle", "nope");
report("number", "getWindowRect", 1);
report("again", "lockApi", key);
call("setWindowTitle", key, "locked");
report("keyed", "getWindowRect", key);
)JS"));
    run.start();
    EXPECT_EQ(run.waitForTrace("key"), "key 24 ==");
    EXPECT_EQ(run.waitForTrace("without"),
              cp932ToUtf8("without {\"message\":\"配列のインデックスが範囲を超えています。\",\"type\":\"error\"}"));
    EXPECT_EQ(run.waitForTrace("wrong"), "wrong {\"message\":\"invalid apikey param\",\"type\":\"error\"}");
    EXPECT_EQ(run.waitForTrace("number"), "number {\"message\":\"type error\",\"type\":\"error\"}");
    EXPECT_EQ(run.waitForTrace("again"), "again {\"message\":\"error api already locked\",\"type\":\"error\"}");
    EXPECT_EQ(run.waitForTrace("keyed").substr(0, 15), "keyed {\"bottom\"");
    char title[64] = "";
    GetWindowTextA(run.mainWindow(), title, sizeof(title));
    EXPECT_STREQ(title, "locked");
}

TEST(BridgeEndToEnd, AQueryOnTheCommandLineBecomesFlashVars) {
    MovaraRun run;
    run.writeMovie(withPrelude(R"JS(trace("vars " + show(flashVars));)JS"), "level.swf");
    run.start("level.swf?level=3&name=abc");
    EXPECT_EQ(run.waitForTrace("vars"), "vars {\"level\":\"3\",\"name\":\"abc\"}");
}

TEST(BridgeEndToEnd, TemporaryFoldersAreDeletedWhenTheProgramEnds) {
    MovaraRun run;
    run.writeMovie(withPrelude(R"JS(
var folder = call("getTempPath") + "movara_e2e_" + Math.floor(Math.random() * 1e9);
report("dir", "createDirectory", folder);
report("inner", "createDirectory", folder + "\\inner");
report("save", "saveTextFile", folder + "\\inner\\note.txt", "x", "UTF-8");
report("use", "useTempFolder", folder);
report("made", "fileExists", folder + "\\inner\\note.txt");
trace("folder " + folder);
call("closeApp");
)JS"));
    run.start();
    EXPECT_EQ(run.waitForTrace("use"), "use null");
    EXPECT_EQ(run.waitForTrace("made"), "made true");
    std::string folder = movara_test::utf8ToCp932(run.waitForTrace("folder ").substr(7));
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(run.waitForExit());
    EXPECT_FALSE(movara_test::directoryExists(folder)) << folder;
}
