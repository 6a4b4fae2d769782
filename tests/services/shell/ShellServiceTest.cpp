// The shell service under Wine: real processes, the command processor, the
// confirmation box driven from a second thread, and a real window.
#include <windows.h>
#include <tlhelp32.h>

#include <functional>
#include <memory>

#include "../../security/PolicyTestSupport.h"
#include "DialogDriver.h"
#include "services/shell/FlashExServiceShell.h"
#include "services/shell/ProgramPath.h"
#include "MovaraTest.h"
#include "ServiceTestSupport.h"
#include "tbx/PathString.h"

using namespace movara_test;
using namespace service_test;

namespace {

const char* const kAllowAll =
    "<security><fileAccess><allow access=\"rwx\" match=\"*\"></allow></fileAccess></security>";
const char* const kNoExecute =
    "<security><fileAccess><allow access=\"rw\" match=\"*\"></allow></fileAccess></security>";

// A top-level window standing in for the main window.
class HostWindow {
public:
    explicit HostWindow(DWORD style = WS_OVERLAPPEDWINDOW)
        : window_(CreateWindowExA(0, "STATIC", "host", style, 120, 90, 500, 400, nullptr, nullptr, nullptr, nullptr)) {}
    ~HostWindow() { DestroyWindow(window_); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_;
};

// A shell service over a policy of its own and a host window.
struct Shell {
    explicit Shell(const char* security = kAllowAll) : policy(policyFromSettings(security)) {
        windows.host = host.get();
    }
    std::unique_ptr<SecurityPolicy> policy;
    HostWindow host;
    TestWindows windows;
    FlashExServiceShell service{*policy, windows};
};

// What the test thread saw of the confirmation box before answering it.
struct Confirmation {
    bool shown = false;
    std::string caption;
    std::string text;
    HWND owner = nullptr;
};

// Answers the next dialog of this thread with button, recording it; as a
// guard, one is not expected.
DialogDriver answerConfirmation(Confirmation& seen, int button,
                                DialogDriver::Expect expect = DialogDriver::ExpectDialog) {
    return DialogDriver(
        [&seen, button](HWND box) {
            seen.shown = true;
            seen.caption = windowText(box);
            seen.text = messageBoxText(box);
            seen.owner = GetWindow(box, GW_OWNER);
            PostMessageA(box, WM_COMMAND, button, 0);
        },
        30000, expect);
}

std::string inQuotes(const std::string& path) { return "\"" + path + "\""; }

std::string child() { return inQuotes(executableDirectory() + "\\shell_child.exe"); }

// The "PID SHOW" record a child wrote, waiting up to timeoutMs for it.
std::string childRecord(const std::string& path, DWORD timeoutMs = 10000) {
    DWORD start = GetTickCount();
    while (!fileExists(path) && GetTickCount() - start < timeoutMs) Sleep(20);
    return fileExists(path) ? readBytes(path) : std::string();
}

// True when a process this one started from `exe` still runs.
bool childRunning(const char* exe) {
    tbx::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) throw std::runtime_error("no process snapshot");
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
        if (entry.th32ParentProcessID == GetCurrentProcessId() && lstrcmpiA(entry.szExeFile, exe) == 0) return true;
    return false;
}

std::string confirmationText(const std::string& shown) {
    return "ファイル" + shown + "を開こうとしています。このファイルを安全なファイルと信頼して開いてもよろしいですか？";
}

}  // namespace

TEST(ShellProgramPath, TakesTheQuotedTextOrTheFirstExistingPrefixOrTheWholeLine) {
    ScratchDir dir;
    writeBytes(dir / "my prog.exe", "");
    writeBytes(dir / "表 x.exe", "");  // 表 ends in the byte 0x5C
    makeDirectory(dir / "folder name");
    struct Case {
        std::string line;
        std::string path;
    } cases[] = {
        {"ab", "ab"},
        {"\"", "\""},
        {"\"C:\\a b\\c.exe\" -x", "C:\\a b\\c.exe"},
        {"\"C:\\表示\\c.exe\" \"q\"", "C:\\表示\\c.exe"},
        {dir / "my prog.exe -a b", dir / "my prog.exe"},
        {dir / "表 x.exe arg", dir / "表 x.exe"},
        {dir / "my prog -a", dir / "my prog"},                 // ".exe" added, as the system adds it
        {dir / "no prog -a", dir / "no prog -a"},              // no such file: the whole line
        {dir / "folder name\\x y", dir / "folder name\\x y"},  // a directory is no program
        {"cmd.exe /c exit 3", "cmd.exe"},                      // found where the system looks: its own folder
        {"hostname /x", "hostname"},                           // found only with ".exe" added, in the second pass
    };
    for (const Case& c : cases)
        EXPECT_EQ(programInLine(c.line, {processSearch(false), processSearch(true)}).text, c.path) << c.line;
    EXPECT_EQ(messageOf([] { programInLine("\"C:\\a b\\c.exe -x", {processSearch(false)}); }),
              "実行コマンド文字列の形式が不正です。");
}

TEST(ShellService, PolicyAllowingRunsWithoutAsking) {
    ScratchDir dir;
    Shell shell;
    Confirmation seen;
    {
        // A box would be answered No, so the run would fail.
        DialogDriver guard = answerConfirmation(seen, IDNO, DialogDriver::GuardAgainstDialog);
        EXPECT_TRUE(call(shell.service, "execAndWait", {str(child() + " " + inQuotes(dir / "ran"))})->getBool());
    }
    EXPECT_FALSE(seen.shown);
    EXPECT_FALSE(childRecord(dir / "ran", 0).empty());
}

// Each starting command, refused by the policy: the user's Yes runs it, No
// answers the command's refusal and starts nothing.
TEST(ShellService, RefusedStartsAskTheUserWhoseAnswerDecides) {
    std::string program = executableDirectory() + "\\shell_child.exe";
    for (int button : {IDYES, IDNO}) {
        ScratchDir dir;
        std::string ran = dir / "ran";
        struct Case {
            const char* command;
            std::initializer_list<FlashExParam*> arguments;
            std::string shown;
            std::function<bool(const FlashExParam&)> answeredYes;
            std::string refused;
        };
        std::string line = inQuotes(program) + " " + inQuotes(ran);
        Case cases[] = {
            {"shellExecute",
             {new FlashExParamNull, str(program), str(inQuotes(ran)), new FlashExParamNull, num(SW_HIDE)},
             program,
             [](const FlashExParam& code) { return code.getInt() > 32; },
             "<number>5</number>"},
            {"execAndWait", {str(line)}, line, [](const FlashExParam& done) { return done.getBool(); }, "<false/>"},
        };
        for (const Case& c : cases) {
            Shell shell(kNoExecute);
            Confirmation seen;
            Result answer;
            {
                DialogDriver driver = answerConfirmation(seen, button);
                answer = call(shell.service, c.command, c.arguments);
            }
            ASSERT_TRUE(seen.shown) << c.command;
            EXPECT_EQ(seen.caption, "確認");
            EXPECT_EQ(seen.text, confirmationText(c.shown));
            EXPECT_EQ(seen.owner, shell.host.get());
            if (button == IDYES) {
                EXPECT_TRUE(c.answeredYes(*answer)) << c.command;
                EXPECT_FALSE(childRecord(ran).empty()) << c.command;
                DeleteFileA(ran.c_str());
            } else {
                std::string xml;
                answer->writeXML(xml);
                EXPECT_EQ(xml, c.refused) << c.command;
                // Nothing started: no child runs, and none ran to its end, which
                // would have left its record.
                EXPECT_FALSE(childRunning("shell_child.exe")) << c.command;
                EXPECT_FALSE(fileExists(ran)) << c.command;
            }
        }
    }
}

TEST(ShellService, ExecAndWaitWaitsWithoutLimitAndShowsTheWindowUnlessHidden) {
    for (bool hidden : {false, true}) {
        ScratchDir dir;
        Shell shell;
        // Written after 300 ms, just before the end: a true answer waited for it.
        std::string line = child() + " " + inQuotes(dir / "ran") + " 300";
        Result done = hidden ? call(shell.service, "execAndWait", {str(line), num(10000), flag(false)})
                             : call(shell.service, "execAndWait", {str(line)});
        EXPECT_TRUE(done->getBool());
        std::string record = childRecord(dir / "ran", 0);
        EXPECT_EQ(record.substr(record.find(' ') + 1), std::to_string(hidden ? SW_HIDE : SW_SHOWDEFAULT));
    }
}

TEST(ShellService, ExecAndWaitWithTimeOutZeroLeavesTheProgramRunning) {
    ScratchDir dir;
    Shell shell;
    EXPECT_FALSE(call(shell.service, "execAndWait", {str(child() + " " + inQuotes(dir / "ran") + " 0 60000"), num(0)})
                     ->getBool());
    std::string record = childRecord(dir / "ran");
    ASSERT_FALSE(record.empty());
    tbx::KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, std::stoul(record)));
    ASSERT_TRUE(process);
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    TerminateProcess(process.get(), 0);
    WaitForSingleObject(process.get(), 5000);
}

TEST(ShellService, ExecAndWaitStartsProgramsByNameAndAnswersFalseForNone) {
    ScratchDir dir;
    Shell shell;
    EXPECT_TRUE(call(shell.service, "execAndWait", {str("cmd.exe /c exit 4")})->getBool());
    EXPECT_TRUE(call(shell.service, "execAndWait", {str("hostname.exe"), num(10000), flag(false)})->getBool());
    EXPECT_FALSE(call(shell.service, "execAndWait", {str(inQuotes(dir / "missing.exe") + " x")})->getBool());
    EXPECT_EQ(failure(shell.service, "execAndWait", {str("\"" + (dir / "missing.exe x"))}),
              "実行コマンド文字列の形式が不正です。");
}

// "my prog.exe" is judged, so "my prog.exe" must run, although the system
// alone would try the shorter "my.exe" first for the unquoted line.
TEST(ShellService, ExecAndWaitRunsTheProgramThatWasJudged) {
    ScratchDir dir;
    Shell shell;
    CopyFileA((executableDirectory() + "\\shell_child.exe").c_str(), (dir / "my prog.exe").c_str(), FALSE);
    CopyFileA((executableDirectory() + "\\args_probe.exe").c_str(), (dir / "my.exe").c_str(), FALSE);
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA(dir.path().c_str());
    EXPECT_TRUE(call(shell.service, "execAndWait", {str(dir / "my prog.exe x")})->getBool());
    SetCurrentDirectoryA(current);
    EXPECT_TRUE(fileExists(dir / "prog.exe"));   // the child's record, named by its first argument
    EXPECT_FALSE(fileExists(dir / "args.xml"));  // what my.exe would have written
}

TEST(ShellService, SystemRunsTheCommandProcessorAndAnswersItsExitCode) {
    ScratchDir dir;
    Shell shell;
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA(dir.path().c_str());
    EXPECT_EQ(call(shell.service, "system", {str("exit 3")})->getInt(), 3);
    EXPECT_EQ(call(shell.service, "system", {str("echo x> out.txt")})->getInt(), 0);
    EXPECT_EQ(readBytes(dir / "out.txt"), "x\r\n");
    EXPECT_EQ(failure(shell.service, "system", {str("\"exit 3")}), "実行コマンド文字列の形式が不正です。");

    Shell refusing(kNoExecute);
    Confirmation seen;
    Result code;
    {
        DialogDriver driver = answerConfirmation(seen, IDNO);
        code = call(refusing.service, "system", {str("echo x> refused.txt")});
    }
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(code->getInt(), 0);
    EXPECT_FALSE(fileExists(dir / "refused.txt"));
    SetCurrentDirectoryA(current);
}

TEST(ShellService, GetFullPathNameCompletesRelativePathsWithinItsBuffer) {
    ScratchDir dir;
    Shell shell;
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA(dir.path().c_str());
    auto full = [&](const std::string& path) {
        return call(shell.service, "getFullPathName", {str(path)})->getString();
    };
    std::string deep(600, 'd');  // beyond the system's usual path length, within the buffer
    std::string tooLong(1100, 'l');
    EXPECT_EQ(full("a\\b.txt"), dir / "a\\b.txt");
    EXPECT_EQ(full("..\\x"), tbx::dir_name_of(dir.path()) + "\\x");
    EXPECT_EQ(full("表示\\x"), dir / "表示\\x");
    EXPECT_EQ(full(deep), dir / deep);
    EXPECT_EQ(full(tooLong), "");
    EXPECT_EQ(full(""), "");
    EXPECT_EQ(call(shell.service, "getFullPathName", {new FlashExParamNull})->getString(), "");
    SetCurrentDirectoryA(current);
}

TEST(ShellService, ScreenSizeAndWorkAreaAreTheSystemsNumbers) {
    Shell shell;
    Result size = call(shell.service, "getScreenSize");
    EXPECT_EQ(size->getProperty("w")->getInt(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(size->getProperty("h")->getInt(), GetSystemMetrics(SM_CYSCREEN));
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    Result answer = call(shell.service, "getWorkArea");
    EXPECT_EQ(answer->getProperty("left")->getInt(), area.left);
    EXPECT_EQ(answer->getProperty("top")->getInt(), area.top);
    EXPECT_EQ(answer->getProperty("right")->getInt(), area.right);
    EXPECT_EQ(answer->getProperty("bottom")->getInt(), area.bottom);
}

// One test, because the saved rectangle belongs to the whole process: off
// before any on, then on and off, the last through another service.
TEST(ShellService, FullScreenSavesAndRestoresTheFrame) {
    Shell shell;
    HWND window = shell.host.get();
    auto rectangle = [&] {
        RECT r;
        GetWindowRect(window, &r);
        return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
    };
    auto style = [&] { return GetWindowLongPtrA(window, GWL_STYLE); };
    auto topMost = [&] { return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    ShowWindow(window, SW_SHOWNORMAL);
    SetWindowLongPtrA(window, GWL_STYLE, style() & ~(WS_CAPTION | WS_THICKFRAME));
    std::vector<LONG> before = rectangle();

    call(shell.service, "setFullScreen", {flag(false)});
    EXPECT_EQ(rectangle(), before);
    EXPECT_EQ(style() & (WS_CAPTION | WS_THICKFRAME), WS_CAPTION | WS_THICKFRAME);
    EXPECT_FALSE(topMost());
    before = rectangle();

    call(shell.service, "setFullScreen", {flag(true)});
    EXPECT_EQ(rectangle(), (std::vector<LONG>{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
    EXPECT_EQ(style() & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_TRUE(topMost());

    Shell other;
    other.windows.host = window;
    call(other.service, "setFullScreen", {flag(false)});
    EXPECT_EQ(rectangle(), before);
    EXPECT_EQ(style() & (WS_CAPTION | WS_THICKFRAME), WS_CAPTION | WS_THICKFRAME);
    EXPECT_FALSE(topMost());
}

TEST(ShellService, ArgsAreTheRuntimesSplitOfTheCommandLine) {
    struct Case {
        std::string tail;
        std::vector<std::string> arguments;
    } cases[] = {
        {"", {}},
        {" plain \"with blank\" a\\\\\\\"b \"c\\\\\" d\\e \"\" 表示 \"表 x\" \"表\"",
         {"plain", "with blank", "a\\\"b", "c\\", "d\\e", "", "表示", "表 x", "表"}},
        {" movie.swf /wmax /h", {"movie.swf", "/wmax", "/h"}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        std::string line = inQuotes(executableDirectory() + "\\args_probe.exe") + c.tail;
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        STARTUPINFOA startup = {sizeof(startup)};
        PROCESS_INFORMATION started = {};
        ASSERT_TRUE(CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.path().c_str(),
                                   &startup, &started));
        tbx::KernelHandle process(started.hProcess), thread(started.hThread);
        ASSERT_EQ(WaitForSingleObject(process.get(), 20000), static_cast<DWORD>(WAIT_OBJECT_0));
        FlashExParamArray expected;
        for (const std::string& argument : c.arguments) expected.pushString(argument);
        std::string xml;
        expected.writeXML(xml);
        EXPECT_EQ(readBytes(dir / "args.xml"), xml) << line;
    }
}

// Ways a movie restricted to the trusted folder could start more than the
// policy judged. Each is asked about (and refused by the user) or fails
// instead of running; the marker is what the smuggled part would have
// written, notes.txt one folder above the trusted one what it would have deleted.
TEST(ShellService, StartsThatReachBeyondTheJudgedProgramAreAsked) {
    ScratchDir dir;
    std::string trusted = dir / "trusted";
    std::string writable = dir / "W";
    for (const std::string& folder : {trusted, writable, trusted + "\\x", dir / "x"}) makeDirectory(folder);
    std::string program = executableDirectory() + "\\shell_child.exe";
    CopyFileA(program.c_str(), (trusted + "\\x.exe").c_str(), FALSE);
    CopyFileA(program.c_str(), (writable + "\\e.exe").c_str(), FALSE);
    CopyFileA(program.c_str(), (trusted + "\\doc.txt").c_str(), FALSE);  // a program image named as a document
    writeBytes(trusted + "\\t.bat", "@exit 0\r\n");
    writeBytes(trusted + "\\x\\notes.txt", "judged");
    struct Case {
        const char* command;
        std::initializer_list<FlashExParam*> arguments;
        std::string shown;  // the question asked, "" when none may be
        std::string failure;
    };
    // Relative to the current folder, the trusted one, so that today's whole-line
    // judgement sees a name in the trusted folder.
    std::string echo = "echo pwned> ..\\marker.txt";
    std::string startLine = "start /b x.exe ..\\marker.txt";
    Case cases[] = {
        {"system", {str("x.exe&" + echo)}, "x.exe&" + echo, ""},  // an operator
        {"system",
         {str("\"x.exe\" \"&" + echo + "\"")},
         "\"x.exe\" \"&" + echo + "\"",
         ""},                                                                       // outside quotes once stripped
        {"system", {str(startLine)}, startLine, ""},                                // a built-in that starts programs
        {"system", {str("del.\\..\\x\\notes.txt")}, "del.\\..\\x\\notes.txt", ""},  // a built-in joined to its argument
        {"execAndWait", {str("t.bat & " + echo)}, "t.bat & " + echo, ""},           // a batch file's line
        {"execAndWait", {str("cmd.exe /c " + echo)}, "cmd.exe /c " + echo, ""},     // a bare name the system finds
        {"execAndWait",
         {str("doc.txt ..\\marker.txt")},
         "",
         "「" + trusted + "\\doc.txt」はプログラムとして起動できません。拡張子がPATHEXTにありません。"},
        {"shellExecute",
         {new FlashExParamNull, str("e.exe"), str(inQuotes(dir / "marker.txt")), str(writable), num(SW_HIDE)},
         writable + "\\e.exe",
         ""},  // found in the directory argument first
        {"shellExecute",
         {new FlashExParamNull, str("http://example.invalid/"), new FlashExParamNull, new FlashExParamNull,
          num(SW_HIDE)},
         "http://example.invalid/",
         ""},  // a web address, judged as written
        {"shellExecute",
         {new FlashExParamNull, str("ms-settings:display"), new FlashExParamNull, new FlashExParamNull, num(SW_HIDE)},
         "",
         "「ms-settings:display」は開けません。URLは http:、https:、file: のものだけを開けます。"},  // any program the
                                                                                                     // system has for
                                                                                                     // it
    };
    std::string policy = "<security><trusted>" + trusted + "</trusted></security>";
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA(trusted.c_str());
    for (const Case& c : cases) {
        Shell shell(policy.c_str());
        writeBytes(dir / "x\\notes.txt", "victim");
        Confirmation seen;
        std::string failed;
        {
            DialogDriver driver = answerConfirmation(
                seen, IDNO, c.shown.empty() ? DialogDriver::GuardAgainstDialog : DialogDriver::ExpectDialog);
            failed = failure(shell.service, c.command, c.arguments);
        }
        EXPECT_EQ(seen.shown, !c.shown.empty()) << c.command << " " << c.shown;
        if (!c.shown.empty()) EXPECT_EQ(seen.text, confirmationText(c.shown));
        EXPECT_EQ(failed, c.failure.empty() ? "no failure" : c.failure) << c.command;
        EXPECT_FALSE(fileExists(dir / "marker.txt")) << c.command << " " << c.shown;
        EXPECT_TRUE(fileExists(dir / "x\\notes.txt")) << c.command << " " << c.shown;
        DeleteFileA((dir / "marker.txt").c_str());
    }
    SetCurrentDirectoryA(current);
}
