// A test build of the program with a hidden window of class
// "MovaraCrashProbe" on the main thread: a WM_USER posted to it crashes the
// main thread inside its message loop, as a fault in the program would;
// WM_USER + 1 makes a fault that the system handles itself (IsBadReadPtr of
// reserved memory; Wine answers a null pointer without touching it) and
// writes "probe handled <answer>" to the standard output; WM_USER + 2
// crashes the main thread and, while that crash is being handled, another
// thread; WM_USER + 3 crashes the rasteriser's thread.
#include <cstdio>
#include <cstring>

#include "app/Movara.h"
#include "raster/MvRasSwfThread.h"
#include "tbx/CrashState.h"

Movara theApp;

namespace {

DWORD WINAPI faultOnceCrashed(void*) {
    while (!tbx::crashed()) Sleep(1);
    volatile int* nowhere = nullptr;
    *nowhere = 2;
    return 0;
}

// The rasteriser's dialog, subclassed: runs on the rasteriser's thread.
WNDPROC rasterDialogProc = nullptr;
LRESULT CALLBACK faultOnProbeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 3) {
        volatile int* nowhere = nullptr;
        *nowhere = 3;
    }
    return CallWindowProcW(rasterDialogProc, window, message, wParam, lParam);
}

// Keeps the first dialog; CALLBACK, as the system calls it stdcall on x86.
BOOL CALLBACK rememberDialog(HWND window, LPARAM result) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, "#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
}

// The rasteriser's hidden dialog, once its thread has made it.
HWND rasteriserDialog(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(thread, rememberDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

LRESULT CALLBACK probe(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 2) CloseHandle(CreateThread(nullptr, 0, faultOnceCrashed, nullptr, 0, nullptr));
    if (message == WM_USER || message == WM_USER + 2) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
    if (message == WM_USER + 3 && MvRasSwfThread::current()) {
        HWND rasterDialog = rasteriserDialog(MvRasSwfThread::current()->threadId());
        if (!rasterDialog) {
            // Its thread is still making it (a slow start): asked again.
            Sleep(10);
            PostMessageA(window, WM_USER + 3, 0, 0);
        } else {
            // A window procedure, not a hook: Wine runs hooks as callbacks whose exceptions it ignores.
            rasterDialogProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(rasterDialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(faultOnProbeMessage)));
            PostMessageW(rasterDialog, WM_USER + 3, 0, 0);
        }
    }
    if (message == WM_USER + 1) {
        void* hole = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
        char line[64];
        snprintf(line, sizeof line, "probe handled %d\n", IsBadReadPtr(hole, 4) ? 1 : 0);
        VirtualFree(hole, 0, MEM_RELEASE);
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, (DWORD)strlen(line), &written, nullptr);
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
