#include "OlePeer.h"

#include <stdexcept>

#include "TestFiles.h"

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

// Moves from `from` to `to` in a few steps and releases the left button. The
// steps give the drag loop and the windows on the way time to see the cursor
// move; a drop needs a target that has seen it.
std::string moveAndReleaseSteps(POINT from, POINT to) {
    std::string steps;
    for (int step = 1; step <= 4; ++step) {
        LONG x = from.x + (to.x - from.x) * step / 4, y = from.y + (to.y - from.y) * step / 4;
        steps += " mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.2";
    }
    return steps + " mousemove " + std::to_string(to.x + 1) + " " + std::to_string(to.y) + " sleep 0.4 mouseup 1";
}

}  // namespace

void dragWithMouse(POINT from, POINT to) {
    xdotool("mousemove " + std::to_string(from.x) + " " + std::to_string(from.y) + " mousedown 1 sleep 0.4" +
            moveAndReleaseSteps(from, to));
}

void moveAndRelease(POINT from, POINT to) { xdotool("sleep 0.5" + moveAndReleaseSteps(from, to)); }

}  // namespace movara_test
