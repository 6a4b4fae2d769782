// Start-up, command line, settings file and crash dumps of movara.exe.
#include "MoviePrelude.h"
#include "MovaraRun.h"

using e2e::MovaraRun;
using e2e::withPrelude;

namespace {

const char* const kReadyMovie = R"JS(trace("ready");)JS";

// Writing a mini dump under Wine takes seconds, many on a busy machine.
const DWORD kDumpTimeoutMs = 60000;

RECT workArea() {
    RECT area = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

RECT windowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

// Sets an environment variable for the programs started while it lives.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        char old[1024];
        hadOld_ = GetEnvironmentVariableA(name, old, sizeof(old)) > 0;
        old_ = old;
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, hadOld_ ? old_.c_str() : nullptr); }

private:
    const char* name_;
    bool hadOld_;
    std::string old_;
};

// Posts to the crash-probe build's probe window: WM_USER crashes its main
// thread, WM_USER + 1 makes a fault that the system handles, WM_USER + 3
// crashes the rasteriser's thread.
void postToProbe(MovaraRun& run, UINT message) {
    HWND probe = nullptr;
    while ((probe = FindWindowExA(nullptr, probe, "MovaraCrashProbe", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(probe, &owner);
        if (owner == run.processId()) break;
    }
    ASSERT_NE(probe, nullptr);
    PostMessageA(probe, message, 0, 0);
}

void crash(MovaraRun& run) { postToProbe(run, WM_USER); }

// Wine's per-program DLL override: while it lives, movara.exe cannot load
// the library, as on a Windows without it. A run killed before the override
// went leaves nothing behind for long: every e2e test starts without it.
class DllDisabledForTheProgram {
public:
    explicit DllDisabledForTheProgram(const char* dll) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, e2e::kProgramOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return;
        tbx::RegistryKey owned(key);
        set_ = RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) == ERROR_SUCCESS;
    }
    ~DllDisabledForTheProgram() { e2e::removeProgramOverrides(); }
    bool set() const { return set_; }

private:
    bool set_ = false;
};

std::string longPath(const std::string& path) {
    char buffer[MAX_PATH];
    return GetLongPathNameA(path.c_str(), buffer, sizeof(buffer)) ? buffer : path;
}

// Starts a movie that has the program delete a folder at its end and whose
// interval calls the host; answers the folder.
std::string startWithATempFolder(MovaraRun& run) {
    run.writeMovie(withPrelude(R"JS(
var folder = call("getTempPath") + "movara_crash_" + Math.floor(Math.random() * 1e9);
report("dir", "createDirectory", folder);
report("save", "saveTextFile", folder + "\\note.txt", "x", "UTF-8");
report("use", "useTempFolder", folder);
trace("folder " + folder);
var ticks = 0;
setInterval(function () { call("getAppPath"); trace("tick " + ++ticks); }, 20);
)JS"));
    run.start();
    return movara_test::utf8ToCp932(run.waitForTrace("folder ").substr(7));
}

}  // namespace

TEST(StartupEndToEnd, PlaysOvaraFromTheProgramDirectoryWithDefaultSize) {
    MovaraRun run;
    run.writeMovie(withPrelude(R"JS(
trace("trusted " + call("getTrustedDir"));
report("rect", "getWindowRect");
)JS"));
    run.start();  // from another working directory, without arguments
    run.waitForTrace("rect");
    // The default settings name the folder through %MVR_APP_PATH%.
    EXPECT_EQ(run.waitForTrace("trusted"), "trusted " + movara_test::cp932ToUtf8(run.path("trusted")));
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    RECT rect = windowRect(window);
    RECT area = workArea();
    EXPECT_EQ(rect.right - rect.left, std::min(1024L, static_cast<long>(area.right - area.left)));
    EXPECT_EQ(rect.bottom - rect.top, std::min(768L, static_cast<long>(area.bottom - area.top)));
    EXPECT_FALSE(movara_test::fileExists(run.path("Movara.xml")));  // nothing written

    // The player fills the client area.
    RECT client, player;
    GetClientRect(window, &client);
    GetClientRect(e2e::playerWindowOf(window), &player);
    EXPECT_EQ(player.right, client.right);
    EXPECT_EQ(player.bottom, client.bottom);
}

TEST(StartupEndToEnd, SwitchesCoverTheWorkAreaOrStartOffScreen) {
    RECT area = workArea();
    MovaraRun max;
    max.writeMovie(withPrelude(kReadyMovie));
    max.start("Ovara.swf /wmax");
    max.waitForTrace("ready");
    RECT rect = windowRect(max.mainWindow());
    EXPECT_TRUE(EqualRect(&rect, &area)) << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;

    MovaraRun hidden;
    hidden.writeMovie(withPrelude(kReadyMovie));
    hidden.start("Ovara.swf /h");
    hidden.waitForTrace("ready");
    rect = windowRect(hidden.mainWindow());
    EXPECT_EQ(rect.left, -(rect.right - rect.left));
    EXPECT_EQ(rect.top, 0);

    // "/wmax" as the only argument is the movie too: no such file, so a box
    // says so instead of an empty window.
    MovaraRun switchOnly;
    switchOnly.start("/wmax");
    HWND box = switchOnly.messageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::messageBoxText(box), "ムービー「/wmax」を再生できません。\nファイルが見つかりません。");
    e2e::closeMessageBox(box);
    EXPECT_TRUE(switchOnly.waitForExit());
}

TEST(StartupEndToEnd, ADirectoryNamedLikeTheSettingsFileCountsAsMissing) {
    MovaraRun run;
    movara_test::makeDirectory(run.path("Movara.xml"));
    run.writeMovie(withPrelude(kReadyMovie));
    run.start();
    run.waitForTrace("ready");
    EXPECT_NE(run.mainWindow(), nullptr);
}

TEST(StartupEndToEnd, ABadSettingsDeclarationStopsWithTheParsersMessage) {
    MovaraRun run;
    run.writeSettings("<?xml version=\"9.9\"?>\n<settings/>");
    run.writeMovie(withPrelude(kReadyMovie));
    run.start();
    HWND box = run.messageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::messageBoxText(box), "例外が発生しました。原因：not support file");
    EXPECT_EQ(run.mainWindow(0), nullptr);
    e2e::closeMessageBox(box);
    EXPECT_TRUE(run.waitForExit());
    EXPECT_FALSE(run.hasTrace("ready"));
}

TEST(StartupEndToEnd, AFaultThatTheSystemHandlesDoesNotEndTheProgram) {
    MovaraRun run(MovaraRun::crashProbe());
    run.writeMovie(withPrelude(kReadyMovie));
    run.start();
    run.waitForTrace("ready");
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    postToProbe(run, WM_USER + 1);
    EXPECT_EQ(run.waitForTrace("probe handled"), "probe handled 1");
    EXPECT_FALSE(run.waitForExit(1000));
    EXPECT_EQ(run.messageBox(0), nullptr);
    EXPECT_TRUE(IsWindow(window));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.waitForExit());
}

// The dump is written and the user is told where; the movie, whose interval
// calls the host, is stopped at the crash; the movie's temporary folders are
// deleted and the program ends with the exception's code.
TEST(StartupEndToEnd, ACrashWritesADumpSaysWhereAndEndsTheProgram) {
    movara_test::ScratchDir temp;
    ScopedVariable tmp("TMP", temp.path() + "\\");
    ScopedVariable tempVariable("TEMP", temp.path() + "\\");
    MovaraRun run(MovaraRun::crashProbe());
    std::string tempFolder = startWithATempFolder(run);
    ASSERT_TRUE(movara_test::fileExists(tempFolder + "\\note.txt")) << tempFolder;
    run.waitForTrace("tick");
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    DWORD threadId = GetWindowThreadProcessId(window, nullptr);
    crash(run);

    HWND box = run.messageBox(kDumpTimeoutMs);
    ASSERT_NE(box, nullptr);
    std::string text = e2e::messageBoxText(box);
    const std::string head = "エラーが発生しました。エラー情報は", tail = "に格納されています。";
    ASSERT_GT(text.size(), head.size() + tail.size()) << movara_test::cp932ToUtf8(text);
    ASSERT_EQ(text.compare(0, head.size(), head), 0) << movara_test::cp932ToUtf8(text);
    ASSERT_EQ(text.substr(text.size() - tail.size()), tail) << movara_test::cp932ToUtf8(text);
    std::string dump = text.substr(head.size(), text.size() - head.size() - tail.size());
    std::string folder = longPath(temp.path()) + "\\movara.exe\\v1.0-";
    EXPECT_EQ(dump.compare(0, folder.size(), folder), 0) << dump;
    std::string ending = "-" + std::to_string(run.processId()) + "-" + std::to_string(threadId) + ".dmp";
    EXPECT_EQ(dump.substr(dump.size() - ending.size()), ending);
    EXPECT_EQ(movara_test::readBytes(dump).substr(0, 4), "MDMP") << dump;
    EXPECT_TRUE(movara_test::directoryExists(tempFolder)) << "deleted only as the program ends";
    // While the user reads the message, the movie's interval no longer runs.
    size_t ticks = run.traces().size();
    Sleep(500);
    EXPECT_EQ(run.traces().size(), ticks);
    e2e::closeMessageBox(box);
    ASSERT_TRUE(run.waitForExit());
    EXPECT_EQ(run.exitCode(), DWORD(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_FALSE(movara_test::directoryExists(tempFolder)) << tempFolder;
}

// Another thread that faults while the crash is handled waits for the end,
// and a fault on the rasteriser's thread ends the program as one on the main
// thread does: either way the user is told and the folders go.
TEST(StartupEndToEnd, ASecondFaultDuringACrashDoesNotStopItsEnd) {
    struct Case {
        const char* what;
        UINT probe;
    } cases[] = {{"a second fault during the crash", WM_USER + 2}, {"a fault on the rasteriser's thread", WM_USER + 3}};
    for (const Case& c : cases) {
        MovaraRun run(MovaraRun::crashProbe());
        std::string tempFolder = startWithATempFolder(run);
        ASSERT_TRUE(movara_test::directoryExists(tempFolder)) << tempFolder;
        ASSERT_NE(run.mainWindow(), nullptr);
        postToProbe(run, c.probe);
        HWND box = run.messageBox(kDumpTimeoutMs);
        ASSERT_NE(box, nullptr) << c.what << ": no crash message";
        e2e::closeMessageBox(box);
        ASSERT_TRUE(run.waitForExit()) << c.what;
        EXPECT_EQ(run.exitCode(), DWORD(EXCEPTION_ACCESS_VIOLATION)) << c.what;
        EXPECT_FALSE(movara_test::directoryExists(tempFolder)) << c.what << ": " << tempFolder;
    }
}

TEST(StartupEndToEnd, ACrashWithoutTheDumpLibraryGivesTheGenericMessage) {
    DllDisabledForTheProgram noDumpLibrary("dbghelp");
    ASSERT_TRUE(noDumpLibrary.set());
    MovaraRun run(MovaraRun::crashProbe());
    run.writeMovie(withPrelude(kReadyMovie));
    run.start();
    run.waitForTrace("ready");
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    crash(run);
    HWND box = run.messageBox(kDumpTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::messageBoxText(box), "システムエラーが発生しました。");
    e2e::closeMessageBox(box);
    ASSERT_TRUE(run.waitForExit());
    EXPECT_EQ(run.exitCode(), DWORD(EXCEPTION_ACCESS_VIOLATION));
}

// Usage and the policy answer on the trace output and end the program; with
// "/trace" (or the settings' trace element) the trace goes to a file.
TEST(StartupEndToEnd, HelpAndPolicyAnswerOnTheTraceOutputAndTraceCanGoToAFile) {
    MovaraRun help;
    help.start("/?");
    EXPECT_EQ(help.waitForTrace("usage:"), "usage: movara [MOVIE [/wmax] [/h] [/trace] [/watch] [/debug[=PORT]]]");
    EXPECT_TRUE(help.waitForExit());

    MovaraRun policy;
    policy.writeSettings(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<settings><security><fileAccess>\n"
        "  <deny match=\"dir\" access=\"rw\">\n    %MVR_APP_PATH%\\data\\locked\n  </deny>\n"
        "  <allow match=\"dir\" access=\"rw\">%MVR_APP_PATH%\\data</allow>\n"
        "</fileAccess></security></settings>");
    policy.start("/policy data\\locked\\a.txt");
    EXPECT_EQ(policy.waitForTrace("judged as"),
              movara_test::cp932ToUtf8("judged as " + policy.path("data\\locked\\a.txt")));
    EXPECT_EQ(policy.waitForTrace("write"),
              "write   refused: rule 1 (deny, access \"rw\", match \"dir\"): %MVR_APP_PATH%\\data\\locked");
    EXPECT_EQ(policy.waitForTrace("execute"), "execute refused: no rule allows it");
    EXPECT_TRUE(policy.waitForExit());
    // A program's name is looked for as the commands that start programs look for it.
    policy.start("/policy notepad.exe");
    EXPECT_EQ(policy.waitForTrace("\"execAndWait\""),
              "\"execAndWait\" starts C:\\windows\\system32\\notepad.exe: execute refused: no rule allows it; the "
              "user would be asked first");
    EXPECT_EQ(policy.waitForTrace("\"shellExecute\""),
              "\"shellExecute\" opens C:\\windows\\system32\\notepad.exe: execute refused: no rule allows it; the "
              "user would be asked first");
    EXPECT_TRUE(policy.waitForExit());

    MovaraRun traced;
    traced.writeMovie(withPrelude(R"JS(trace("to the file"); ExternalInterface.call("closeApp");)JS"));
    traced.start("Ovara.swf /trace");
    EXPECT_TRUE(traced.waitForExit());
    EXPECT_NE(movara_test::readBytes(traced.path("Ovara.trace.txt")).find("to the file\n"), std::string::npos);
    EXPECT_FALSE(traced.hasTrace("to the file"));
}

// "/watch": a movie file replaced while it plays is played again in the same
// window; a missing file in between (a build under way) changes nothing.
TEST(StartupEndToEnd, AWatchedMovieIsReloadedInTheSameWindowWhenItsFileIsReplaced) {
    MovaraRun run;
    run.writeMovie(R"JS(trace("version 1");)JS");
    run.start("Ovara.swf /watch");
    run.waitForTrace("version 1");
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);

    run.writeMovie(R"JS(trace("version 2");)JS", "next.swf");
    ASSERT_TRUE(MoveFileExA(run.path("next.swf").c_str(), run.path("Ovara.swf").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(run.waitForTrace("version 2", 5000), "version 2");
    EXPECT_EQ(run.mainWindow(), window);
    EXPECT_EQ(run.waitForTrace("movara: "), "movara: Ovara.swf changed, reloading it");
}

// A clean Windows has no atl80.dll: the system's atl.dll hosts the player.
TEST(StartupEndToEnd, WithoutAtl80TheSystemsAtlHostsThePlayer) {
    DllDisabledForTheProgram noAtl80("atl80");
    ASSERT_TRUE(noAtl80.set());
    MovaraRun run;
    run.writeMovie(withPrelude(kReadyMovie));
    run.start();
    run.waitForTrace("ready");
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    char className[32] = "";
    GetClassNameA(GetDlgItem(window, 1002), className, sizeof(className));
    EXPECT_STREQ(className, "AtlAxWin");
}

namespace {

// The Flash player's ProgID registered for the time of a test, naming a class
// that no server provides: the program believes Flash is installed.
class FlashRegistration {
public:
    FlashRegistration() {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        const char clsid[] = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";
        registered_ = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid), sizeof(clsid)) ==
                      ERROR_SUCCESS;
        RegCloseKey(key);
    }
    ~FlashRegistration() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\ShockwaveFlash.ShockwaveFlash"); }
    bool registered() const { return registered_; }

private:
    static constexpr const char* kKey = "Software\\Classes\\ShockwaveFlash.ShockwaveFlash\\CLSID";
    bool registered_ = false;
};

}  // namespace

// Where the Flash player is registered, a script movie still plays: only the
// stand-in can play it.
TEST(StartupEndToEnd, AScriptMovieGoesToTheStandInWhereFlashIsRegistered) {
    FlashRegistration flash;
    ASSERT_TRUE(flash.registered());
    MovaraRun run;
    run.writeMovie(withPrelude(kReadyMovie));
    run.start();
    EXPECT_EQ(run.waitForTrace("ready"), "ready");
}
