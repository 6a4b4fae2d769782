#include "MovaraRun.h"

#include <cstdio>

#include "SwfWriter.h"

namespace e2e {

namespace {

struct WindowSearch {
    DWORD processId;
    bool wantMain;
    HWND found;
};

BOOL CALLBACK findWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[32] = "";
    GetClassNameA(window, className, sizeof(className));
    if (owner != search->processId || strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    // The rasteriser's hidden dialog (a tool window) is neither.
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return TRUE;
    bool isMain = GetDlgItem(window, 1002) != nullptr;
    if (isMain != search->wantMain) return TRUE;
    search->found = window;
    return FALSE;
}

HWND findTopLevel(DWORD processId, bool wantMain, DWORD timeoutMs) {
    WindowSearch search = {processId, wantMain, nullptr};
    waitUntil(
        [&] {
            EnumWindows(findWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

class NoStaleOverrides : public ::testing::Environment {
public:
    void SetUp() override {
        removeProgramOverrides();
        DesktopDpi::remove();
    }
};

const auto* const kNoStaleOverrides = ::testing::AddGlobalTestEnvironment(new NoStaleOverrides);

}  // namespace

void removeProgramOverrides() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\movara.exe"); }

namespace {
const char* const kDesktopKey = "Control Panel\\Desktop";
}

DesktopDpi::DesktopDpi(DWORD dpi) {
    // 0x1018 is what Windows 10 writes there; Wine asks only for a value.
    const DWORD scalingVersion = 0x1018;
    EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &dpi, sizeof dpi), ERROR_SUCCESS);
    EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "DpiScalingVer", REG_DWORD, &scalingVersion,
                              sizeof scalingVersion),
              ERROR_SUCCESS);
}

DesktopDpi::~DesktopDpi() { remove(); }

void DesktopDpi::remove() {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "DpiScalingVer");
}

COLORREF screenPixel(int x, int y) {
    tbx::WindowDC screen(nullptr);
    return GetPixel(screen.get(), x, y);
}

MovaraRun::MovaraRun(const std::string& program) : tracePath_(scratch_ / "trace.txt") {
    std::string bin = movara_test::programDirectory() + "\\";
    for (const auto& [from, to] : {std::pair<std::string, std::string>{program, "movara.exe"},
                                   {bin + "MovaraFlashPlayer.dll", "MovaraFlashPlayer.dll"}}) {
        if (!CopyFileA(from.c_str(), path(to).c_str(), FALSE)) ADD_FAILURE() << "cannot copy " << from;
    }
}

MovaraRun::~MovaraRun() {
    if (process_ && running()) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
    }
}

void MovaraRun::writeSettings(const std::string& text) { movara_test::writeBytes(path("Movara.xml"), text); }

void MovaraRun::writeMovie(const std::string& script, const std::string& name) {
    // Scripts written as literals in a test are Shift_JIS; movies hold UTF-8.
    SwfOptions options;
    movara_test::writeBytes(path(name), buildSwf(options, movara_test::cp932ToUtf8(script)));
}

void MovaraRun::start(const std::string& arguments) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    tbx::FileHandle trace(CreateFileA(tracePath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(trace.valid());
    std::string command = "\"" + path("movara.exe") + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::string workingDirectory = directory().substr(0, directory().rfind('\\'));
    STARTUPINFOA startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = trace.get();
    startup.hStdError = trace.get();
    PROCESS_INFORMATION info = {};
    // Under Wine, starting a program copied a moment ago has failed once in
    // many runs; a second try a moment later starts it.
    DWORD error = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, workingDirectory.c_str(), &startup,
                           &info)) {
            error = 0;
            break;
        }
        error = GetLastError();
        // Said even when a later try works, so that a run shows how often and why.
        std::fprintf(stderr, "starting %s failed (error %lu); trying again\n", command.c_str(), error);
        Sleep(1000);
    }
    ASSERT_EQ(0u, error) << "the program could not be started (error " << error << "): " << command;
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
}

std::vector<std::string> MovaraRun::traces() {
    std::vector<std::string> lines;
    std::string text = movara_test::readBytes(tracePath_);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // a line still being written
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool MovaraRun::hasTrace(const std::string& prefix) {
    for (const std::string& line : traces())
        if (line.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

std::string MovaraRun::waitForTrace(const std::string& prefix, DWORD timeoutMs) {
    std::string found;
    bool seen = waitUntil(
        [&] {
            for (const std::string& line : traces())
                if (line.compare(0, prefix.size(), prefix) == 0) {
                    found = line;
                    return true;
                }
            return false;
        },
        timeoutMs);
    if (!seen) {
        std::string all;
        for (const std::string& line : traces()) all += "  " + line + "\n";
        ADD_FAILURE() << "no trace starting with \"" << prefix << "\"; traces:\n" << all;
    }
    return found;
}

bool MovaraRun::running() { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

bool MovaraRun::waitForExit(DWORD timeoutMs) {
    return process_ && WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD MovaraRun::exitCode() {
    DWORD code = STILL_ACTIVE;
    if (process_) GetExitCodeProcess(process_.get(), &code);
    return code;
}

HWND MovaraRun::mainWindow(DWORD timeoutMs) { return findTopLevel(processId_, true, timeoutMs); }

HWND MovaraRun::messageBox(DWORD timeoutMs) { return findTopLevel(processId_, false, timeoutMs); }

bool windowStaysAfterItsMessages(HWND window) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 15000, &answer)) return false;
    return IsWindow(window) != FALSE;
}

void closeMessageBox(HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); }

void pressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input = {INPUT_KEYBOARD};
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto key = keys.end(); key != keys.begin();) {
        INPUT input = {INPUT_KEYBOARD};
        input.ki.wVk = *--key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND playerWindowOf(HWND mainWindow) { return GetDlgItem(mainWindow, 1002); }

}  // namespace e2e
