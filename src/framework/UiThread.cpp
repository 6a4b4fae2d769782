#include "framework/UiThread.h"

#include <ole2.h>

#include "framework/Dialog.h"
#include "tbx/Guards.h"

namespace fw {

UiThread::~UiThread() { stop(); }

bool UiThread::CreateThread(int priority, SIZE_T stackSize) {
    if (thread_) return false;
    queueReady_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!queueReady_) return false;
    thread_.reset(::CreateThread(nullptr, stackSize, threadMain, this, CREATE_SUSPENDED, &threadId_));
    if (!thread_) return false;
    SetThreadPriority(thread_.get(), priority);
    ResumeThread(thread_.get());
    HANDLE waits[2] = {queueReady_.get(), thread_.get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    return true;
}

bool UiThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return threadId_ != 0 && ::PostThreadMessageA(threadId_, message, wParam, lParam) != FALSE;
}

bool UiThread::isRunning() const {
    DWORD code = 0;
    return thread_ && GetExitCodeThread(thread_.get(), &code) && code == STILL_ACTIVE;
}

bool UiThread::stop(DWORD timeoutMs) {
    if (!thread_) return true;
    if (GetCurrentThreadId() == threadId_) {
        // The thread cannot wait for itself: its loop ends on this quit.
        PostQuitMessage(0);
        return true;
    }
    // A quit posted while the thread runs a nested loop (a modal dialog) may
    // be taken by that loop, so post again until the thread is gone.
    ULONGLONG start = GetTickCount64();
    while (isRunning()) {
        if (timeoutMs != INFINITE && GetTickCount64() - start >= timeoutMs) return false;
        ::PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        if (WaitForSingleObject(thread_.get(), 10) == WAIT_OBJECT_0) break;
    }
    thread_.reset();
    threadId_ = 0;
    return true;
}

BOOL UiThread::PreTranslateMessage(MSG* msg) {
    return mainWindow_ && mainWindow_->window() ? mainWindow_->PreTranslateMessage(msg) : FALSE;
}

DWORD WINAPI UiThread::threadMain(void* parameter) {
    return static_cast<DWORD>(static_cast<UiThread*>(parameter)->run());
}

int UiThread::run() {
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // creates the queue
    SetEvent(queueReady_.get());
    bool ole = SUCCEEDED(OleInitialize(nullptr));
    int exitCode = tbx::guardThreadEntry(
        [&] {
            if (InitInstance()) {
                while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                    if (PreTranslateMessage(&msg)) continue;
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
            }
            return ExitInstance();
        },
        tbx::traced("user-interface thread", -1));
    if (ole) OleUninitialize();
    return exitCode;
}

}  // namespace fw
