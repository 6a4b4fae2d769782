#pragma once
#include <windows.h>

namespace movara_test {

// Asks `ready` every pollMs until it holds or timeoutMs pass; true when it
// held. The time-out only bounds a hang: callers fail saying what they waited for.
template <typename Ready>
bool waitUntil(Ready ready, DWORD timeoutMs = 15000, DWORD pollMs = 20) {
    DWORD start = GetTickCount();
    while (!ready()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(pollMs);
    }
    return true;
}

// As waitUntil, dispatching this thread's messages meanwhile, so that its
// windows keep painting and answering while it waits.
template <typename Ready>
bool pumpUntil(Ready ready, DWORD timeoutMs = 15000) {
    DWORD start = GetTickCount();
    while (!ready()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!ready()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

}  // namespace movara_test
