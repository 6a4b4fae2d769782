#include "app/CrashGuard.h"

#include <cstdint>

#if !defined(__x86_64__)
#error "the crash guard moves the crashed thread through its x64 context"
#endif

namespace {

// The filter waits this long for the dump; a reporter that hangs (on a lock
// that the crashed code held) must not keep the user from the message.
constexpr DWORD kReportTimeoutMs = 60000;

constexpr ULONG kStackGuarantee = 64 * 1024;

CrashGuard* activeGuard = nullptr;

// The stack the thread lands on when it leaves the crashed code: the crashed
// stack may have no room left. land() only jumps back into run().
alignas(16) char landingStack[16 * 1024];

// Where a call would have left the stack pointer: 16-byte aligned less the
// return address, below the callee's 32-byte home area.
DWORD64 landingStackPointer() {
    uintptr_t top = reinterpret_cast<uintptr_t>(landingStack + sizeof landingStack) & ~uintptr_t(15);
    return top - 64 - 8;
}

const std::string kNoDump;

}  // namespace

CrashGuard::CrashGuard(std::string dumpLibrary) : writer_(std::move(dumpLibrary)) {
    request_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    done_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    reporter_.reset(CreateThread(nullptr, 0, report, this, 0, nullptr));
    activeGuard = this;
    previous_ = SetUnhandledExceptionFilter(filter);
}

CrashGuard::~CrashGuard() {
    SetUnhandledExceptionFilter(previous_);
    activeGuard = nullptr;
    InterlockedExchange(&stopping_, 1);
    SetEvent(request_.get());
    // A reporter still stuck in a dump is left to the end of the process.
    WaitForSingleObject(reporter_.get(), 5000);
}

const std::string& CrashGuard::dumpPath() const { return reported_ ? writer_.dumpPath() : kNoDump; }

DWORD WINAPI CrashGuard::report(void* parameter) {
    auto* guard = static_cast<CrashGuard*>(parameter);
    guard->writer_.prepare();
    while (WaitForSingleObject(guard->request_.get(), INFINITE) == WAIT_OBJECT_0 && !guard->stopping_) {
        guard->writer_.write(guard->exception_, guard->threadId_);
        SetEvent(guard->done_.get());
    }
    return 0;
}

__attribute__((noinline)) bool CrashGuard::runBody(void (*call)(void*), void* body) {
    threadId_ = GetCurrentThreadId();
    // Room that a stack overflow leaves for dispatching it to the filter
    // (Windows keeps it; Wine 8 ends a thread that overflows at once).
    ULONG guarantee = kStackGuarantee;
    SetThreadStackGuarantee(&guarantee);
    reported_ = false;
    if (__builtin_setjmp(landing_) != 0) {
        // The filter moved the thread here from the crashed code.
        InterlockedExchange(&armed_, 0);
        return false;
    }
    InterlockedExchange(&armed_, 1);
    call(body);
    InterlockedExchange(&armed_, 0);
    return true;
}

__attribute__((noinline)) void CrashGuard::land() { __builtin_longjmp(activeGuard->landing_, 1); }

// Runs on the crashed thread's stack: no heap, no message box, only events.
LONG WINAPI CrashGuard::filter(EXCEPTION_POINTERS* exception) {
    CrashGuard* guard = activeGuard;
    if (!guard) return EXCEPTION_CONTINUE_SEARCH;
    // Other threads, and a fault while one is being reported, take the path
    // they had before this guard.
    if (GetCurrentThreadId() != guard->threadId_ || InterlockedExchange(&guard->armed_, 0) == 0)
        return guard->previous_ ? guard->previous_(exception) : EXCEPTION_CONTINUE_SEARCH;

    guard->exception_ = exception;
    SetEvent(guard->request_.get());
    guard->reported_ = WaitForSingleObject(guard->done_.get(), kReportTimeoutMs) == WAIT_OBJECT_0;

    // Resume in land() instead of the crashed code; an exception raised as
    // non-continuable may be left all the same.
    exception->ExceptionRecord->ExceptionFlags &= ~EXCEPTION_NONCONTINUABLE;
    exception->ContextRecord->Rsp = landingStackPointer();
    exception->ContextRecord->Rip = reinterpret_cast<DWORD64>(&land);
    return EXCEPTION_CONTINUE_EXECUTION;
}
