#pragma once
#include <windows.h>

#include "tbx/Handles.h"

namespace fw {

class Dialog;

// A user-interface thread: its own message loop with PreTranslateMessage,
// InitInstance/ExitInstance around it, OLE initialised on the thread.
// The owner deletes the object; a derived class must call stop() in its own
// destructor, because the thread runs its virtual functions.
class UiThread {
public:
    UiThread() = default;
    virtual ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    // Starts the thread (running at once) and returns when its message queue
    // exists, so thread messages may be posted right away. False on failure.
    bool CreateThread(int priority = THREAD_PRIORITY_NORMAL, SIZE_T stackSize = 0);
    bool PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Posts WM_QUIT until the thread has ended, for at most timeoutMs; false
    // when it still runs then (the object must then outlive it). Called on
    // the thread itself, it only asks the thread's loop to end.
    bool stop(DWORD timeoutMs = INFINITE);

    // On the thread, before its loop; false ends the thread at once.
    virtual BOOL InitInstance() { return TRUE; }
    // On the thread, after its loop; the result is the thread's exit code.
    virtual int ExitInstance() { return 0; }
    // Every message of the thread's loop passes here first; the default
    // offers it to the main window.
    virtual BOOL PreTranslateMessage(MSG* msg);

    DWORD threadId() const { return threadId_; }
    HANDLE threadHandle() const { return thread_.get(); }
    bool isRunning() const;
    Dialog* mainWindow() const { return mainWindow_; }
    void setMainWindow(Dialog* dialog) { mainWindow_ = dialog; }

private:
    static DWORD WINAPI threadMain(void* parameter);
    int run();

    tbx::KernelHandle thread_;
    tbx::KernelHandle queueReady_;
    DWORD threadId_ = 0;
    Dialog* mainWindow_ = nullptr;
};

}  // namespace fw
