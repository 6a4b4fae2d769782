#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "DialogDriver.h"
#include "MovaraTest.h"
#include "Waiting.h"
#include "tbx/Handles.h"

namespace e2e {

// One run of movara.exe in a scratch program directory of its own: the
// program and the player beside it, a settings file and movies as the test
// writes them. The movie's trace lines (UTF-8) are collected from the
// program's standard output. A run still going at the end is terminated.
class MovaraRun {
public:
    // program: the full path of the executable to copy as movara.exe
    // (default: the real one from the program's folder).
    explicit MovaraRun(const std::string& program = realProgram());
    ~MovaraRun();
    static std::string realProgram() { return movara_test::programDirectory() + "\\movara.exe"; }
    // The program built with a fault the tests can trigger (beside the tests).
    static std::string crashProbe() { return movara_test::executableDirectory() + "\\movara_crashprobe.exe"; }
    MovaraRun(const MovaraRun&) = delete;
    MovaraRun& operator=(const MovaraRun&) = delete;

    const std::string& directory() const { return scratch_.path(); }
    std::string path(const std::string& relative) const { return scratch_ / relative; }

    void writeSettings(const std::string& text);
    // A movie made from a script, as the program's default movie or under name.
    void writeMovie(const std::string& script, const std::string& name = "Ovara.swf");

    // Starts movara.exe with a command-line tail; the working directory is
    // the scratch directory's parent, so the program must set its own.
    void start(const std::string& arguments = "");
    // The first trace line that starts with prefix; fails the test (and
    // returns "") when none appears in time.
    std::string waitForTrace(const std::string& prefix, DWORD timeoutMs = 15000);
    bool hasTrace(const std::string& prefix);
    std::vector<std::string> traces();

    bool waitForExit(DWORD timeoutMs = 15000);
    bool running();
    // The exit code of an ended run, or STILL_ACTIVE.
    DWORD exitCode();
    DWORD processId() const { return processId_; }

    // The program's main window (the dialog holding control 1002), or null.
    HWND mainWindow(DWORD timeoutMs = 15000);
    // A message box of the program (a dialog without control 1002), or null.
    HWND messageBox(DWORD timeoutMs = 15000);

private:
    movara_test::ScratchDir scratch_;
    tbx::KernelHandle process_;
    DWORD processId_ = 0;
    std::string tracePath_;
};

// Wine's DLL overrides for the program (movara.exe) alone, which tests set to
// take a library away; removeProgramOverrides() takes them all back. Every
// e2e test program removes them before its test, so a test killed before it
// could leaves none behind.
constexpr const char* kProgramOverrides = "Software\\Wine\\AppDefaults\\movara.exe\\DllOverrides";
void removeProgramOverrides();

// The screen DPI that Wine gives the programs started while this lives
// (LogPixels of HKCU\Control Panel\Desktop, read as a program starts), with
// the programs' DPI manifest entries honoured as Windows does (DpiScalingVer:
// without it Wine takes every program for per-monitor aware). Both values go
// again with it, and before every e2e test program's tests, so a test killed
// while it held them leaves the prefix at 96 DPI.
class DesktopDpi {
public:
    explicit DesktopDpi(DWORD dpi);
    ~DesktopDpi();
    DesktopDpi(const DesktopDpi&) = delete;
    DesktopDpi& operator=(const DesktopDpi&) = delete;
    static void remove();
};

// The colour the screen shows at a point.
COLORREF screenPixel(int x, int y);

// The text of a message box, and its close by its OK button.
using movara_test::messageBoxText;
void closeMessageBox(HWND box);

// Presses the keys in order, as the keyboard would, and releases them in reverse.
void pressKeys(std::initializer_list<WORD> keys);

// True when the window still exists once it has handled everything it was
// given before: a message sent to it returns only after the messages
// before it are done (a close it was asked for, a key it was pressed).
bool windowStaysAfterItsMessages(HWND window);

// The player control's host window (control 1002) of a main window.
HWND playerWindowOf(HWND mainWindow);

using movara_test::waitUntil;

}  // namespace e2e
