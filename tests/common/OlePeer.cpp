#include "OlePeer.h"

#include <stdexcept>

#include "TestFiles.h"
#include "Waiting.h"

namespace movara_test {

namespace {

std::string uniqueName(const char* what) {
    static LONG counter = 0;
    return std::string("movara_ole_peer_") + what + "_" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(InterlockedIncrement(&counter));
}

}  // namespace

OlePeer::OlePeer(const std::string& modeAndArguments) {
    std::string readyName = uniqueName("ready"), quitName = uniqueName("quit");
    readyEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
    quitEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, quitName.c_str()));
    std::string command =
        "\"" + executableDirectory() + "\\ole_peer.exe\" " + readyName + " " + quitName + " " + modeAndArguments;
    STARTUPINFOA startup = {sizeof(startup)};
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return;
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    HANDLE waited[] = {readyEvent_.get(), process_.get()};
    ready_ = WaitForMultipleObjects(2, waited, FALSE, 15000) == WAIT_OBJECT_0;
}

OlePeer::~OlePeer() {
    if (!process_) return;
    SetEvent(quitEvent_.get());
    if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0) TerminateProcess(process_.get(), 1);
}

std::string waitForPeerResult(const std::string& path, DWORD timeoutMs) {
    // The peer writes its result under another name and renames it when complete.
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
        if (fileExists(path)) return readBytes(path);
    }
    return "";
}

void xdotool(const std::string& commands) {
    std::string output;
    if (runUnixProgram("xdotool " + commands, "", output) != 0)
        throw std::runtime_error("xdotool " + commands + ": " + output);
}

namespace {

// The thread of the window under a point of the screen; 0 for none.
DWORD threadUnder(POINT at) {
    HWND window = WindowFromPoint(at);
    return window ? GetWindowThreadProcessId(window, nullptr) : 0;
}

// Whether the thread holds the mouse capture within timeoutMs, as its drag
// loop does from its start: input sent before that would go to the windows
// under the cursor instead of the loop.
bool dragLoopStarts(DWORD thread, DWORD timeoutMs) {
    auto captured = [thread] {
        GUITHREADINFO info = {sizeof(info)};
        return GetGUIThreadInfo(thread, &info) && info.hwndCapture;
    };
    return thread && waitUntil(captured, timeoutMs);
}

void waitForDragLoop(DWORD thread) {
    if (!dragLoopStarts(thread, 15000)) throw std::runtime_error("the drag loop never took the mouse on the source's thread");
}

// Moves from `from` to `to` in a few steps and releases the left button once
// the system reports the cursor over the target, where the drag loop reads it.
void moveAndReleaseOver(POINT from, POINT to) {
    std::string steps;
    for (int step = 1; step <= 3; ++step) {
        LONG x = from.x + (to.x - from.x) * step / 4, y = from.y + (to.y - from.y) * step / 4;
        steps += " mousemove " + std::to_string(x) + " " + std::to_string(y);
    }
    POINT last = {to.x + 1, to.y};
    xdotool(steps + " mousemove " + std::to_string(to.x) + " " + std::to_string(to.y) + " mousemove " +
            std::to_string(last.x) + " " + std::to_string(last.y));
    auto there = [last] {
        POINT at;
        return GetCursorPos(&at) && at.x == last.x && at.y == last.y;
    };
    if (!waitUntil(there, 15000)) throw std::runtime_error("the cursor never reached the drop point");
    xdotool("mouseup 1");
}

}  // namespace

void dragWithMouse(POINT from, POINT to) {
    // A press can reach the display before a window that has just been
    // created there is mapped, and then goes to what lay below it: a press
    // that starts no drag is released and made again, a few times.
    for (int attempt = 1;; ++attempt) {
        DWORD source = threadUnder(from);
        xdotool("mousemove " + std::to_string(from.x) + " " + std::to_string(from.y) + " mousedown 1");
        if (dragLoopStarts(source, 5000)) break;
        xdotool("mouseup 1");  // a button left held would start the next test's drags
        if (attempt == 3)
            throw std::runtime_error("the drag loop never took the mouse on the source's thread (3 presses)");
    }
    moveAndReleaseOver(from, to);
}

void moveAndRelease(POINT from, POINT to) {
    waitForDragLoop(threadUnder(from));
    moveAndReleaseOver(from, to);
}

}  // namespace movara_test
