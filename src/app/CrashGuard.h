#pragma once
#include <windows.h>

#include <string>
#include <type_traits>

#include "app/CrashDump.h"
#include "tbx/Handles.h"

// Guards one thread while run() runs a body on it. An exception that no
// handler on that thread takes reaches the process's unhandled-exception
// filter; the filter has the dump written by a reporter thread started in
// advance (the faulting stack, which may have overflowed and whose heap may
// be corrupt, only signals and waits), then moves the thread out of the
// faulting code back into run(), which answers false. Exceptions that an
// inner handler takes (the player's, a shell extension's, IsBadReadPtr's own)
// never reach the filter; other threads keep the filter that was there before.
// One guard at a time per process.
class CrashGuard {
public:
    explicit CrashGuard(std::string dumpLibrary = "dbghelp.dll");
    ~CrashGuard();
    CrashGuard(const CrashGuard&) = delete;
    CrashGuard& operator=(const CrashGuard&) = delete;

    // Runs body() on the calling thread; true when it returned, false when it
    // crashed. Nothing of the crashed code is unwound: its frames are left.
    template <typename Body>
    bool run(Body&& body) {
        using Plain = std::remove_reference_t<Body>;
        return runBody([](void* b) { (*static_cast<Plain*>(b))(); }, &body);
    }

    // The dump of the last crash, or empty when none could be written.
    const std::string& dumpPath() const;

private:
    bool runBody(void (*call)(void*), void* body);
    static LONG WINAPI filter(EXCEPTION_POINTERS* exception);
    static DWORD WINAPI report(void* guard);
    [[noreturn]] static void land();

    CrashDumpWriter writer_;
    LPTOP_LEVEL_EXCEPTION_FILTER previous_ = nullptr;
    tbx::KernelHandle request_;
    tbx::KernelHandle done_;
    tbx::KernelHandle reporter_;
    volatile LONG stopping_ = 0;
    volatile LONG armed_ = 0;
    DWORD threadId_ = 0;
    EXCEPTION_POINTERS* exception_ = nullptr;
    bool reported_ = false;
    void* landing_[5] = {};  // __builtin_setjmp's buffer
};
