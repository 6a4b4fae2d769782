// A test build of the program with a hidden window of class
// "MovaraCrashProbe" on the main thread: a WM_USER posted to it crashes the
// main thread inside its message loop, as a fault in the program would.
#include "app/Movara.h"

Movara theApp;

namespace {

LRESULT CALLBACK probe(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA probeClass = {};
    probeClass.lpfnWndProc = probe;
    probeClass.hInstance = instance;
    probeClass.lpszClassName = "MovaraCrashProbe";
    RegisterClassA(&probeClass);
    CreateWindowA("MovaraCrashProbe", "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    return theApp.run();
}
