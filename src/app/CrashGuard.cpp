#include "app/CrashGuard.h"

#include "app/CrashDump.h"
#include "tbx/CrashState.h"
#include "tbx/Handles.h"

namespace {

// The filter waits this long for the dump; a reporter that hangs (on a lock
// that the crashed code held) must not keep the user from the message.
constexpr DWORD kReportTimeoutMs = 60000;

constexpr ULONG kStackGuarantee = 64 * 1024;

// On a crash of another thread the guarded thread's message loop stops
// there before the clean-up; a thread that does not take its messages within
// the time is blocked in a wait and runs nothing of the movie meanwhile.
constexpr DWORD kParkTimeoutMs = 2000;
constexpr UINT kParkMessage = WM_APP + 0x3C7;
const char* const kParkClass = "MovaraCrashGuardPark";

}  // namespace

// What the filter and the guard's two threads share. It is never freed: the
// threads, and a filter that another thread entered just before the guard
// went, may still read it.
struct CrashGuard::Crash {
    Crash(AfterCrash after, std::string dumpLibrary) : writer(std::move(dumpLibrary)), afterCrash(std::move(after)) {}

    CrashDumpWriter writer;
    AfterCrash afterCrash;
    LPTOP_LEVEL_EXCEPTION_FILTER previous = nullptr;
    tbx::KernelHandle dumpRequested{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    tbx::KernelHandle dumpWritten{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    tbx::KernelHandle finishRequested{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    tbx::KernelHandle reporter;
    tbx::KernelHandle finisher;
    DWORD finisherId = 0;
    DWORD guardedThread = GetCurrentThreadId();
    DWORD crashedThread = 0;
    // A window of the guarded thread, through which another thread's crash
    // stops it at its next message, so that the movie does not run on
    // beside the clean-up.
    HWND parkWindow = nullptr;
    tbx::KernelHandle parked{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    volatile LONG armed = 0;
    volatile LONG ending = 0;
    volatile LONG stopping = 0;
    EXCEPTION_POINTERS* exception = nullptr;
    UINT exitCode = 1;
    bool reported = false;

    // The crash of the guard in place, read by the filter.
    static Crash* volatile active;

    static LRESULT CALLBACK park(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void parkGuardedThread() const;
    static DWORD WINAPI report(void* crash);
    static DWORD WINAPI finish(void* crash);
    [[noreturn]] void endProcess() const;
    [[noreturn]] void waitForTheEnd() const;
    [[noreturn]] void faultWhileEnding() const;
};

CrashGuard::Crash* volatile CrashGuard::Crash::active = nullptr;

LRESULT CALLBACK CrashGuard::Crash::park(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Crash* crash = active;
    if (message == kParkMessage && crash && crash->ending) {
        SetEvent(crash->parked.get());
        // Messages other threads send are still answered (the crash message
        // activates its box against this thread's windows); nothing else runs.
        HANDLE finisher = crash->finisher.get();
        while (MsgWaitForMultipleObjects(1, &finisher, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
            MSG sent;
            PeekMessageA(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        crash->endProcess();
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void CrashGuard::Crash::parkGuardedThread() const {
    if (!parkWindow) return;
    if (PostMessageA(parkWindow, kParkMessage, 0, 0)) WaitForSingleObject(parked.get(), kParkTimeoutMs);
}

DWORD WINAPI CrashGuard::Crash::report(void* parameter) {
    auto* crash = static_cast<Crash*>(parameter);
    crash->writer.prepare();
    WaitForSingleObject(crash->dumpRequested.get(), INFINITE);
    if (crash->stopping) return 0;
    crash->writer.write(crash->exception, crash->crashedThread);
    SetEvent(crash->dumpWritten.get());
    return 0;
}

DWORD WINAPI CrashGuard::Crash::finish(void* parameter) {
    auto* crash = static_cast<Crash*>(parameter);
    WaitForSingleObject(crash->finishRequested.get(), INFINITE);
    if (crash->stopping) return 0;
    try {
        crash->afterCrash(crash->reported ? crash->writer.dumpPath() : std::string());
    } catch (...) {
        // What is left of the clean-up is lost; the process ends all the same.
    }
    crash->endProcess();
}

void CrashGuard::Crash::endProcess() const {
    TerminateProcess(GetCurrentProcess(), exitCode);
    for (;;) Sleep(INFINITE);
}

void CrashGuard::Crash::waitForTheEnd() const {
    WaitForSingleObject(finisher.get(), INFINITE);
    endProcess();
}

void CrashGuard::Crash::faultWhileEnding() const {
    // The finisher cannot finish; any other thread leaves the ending to it.
    if (GetCurrentThreadId() == finisherId) endProcess();
    waitForTheEnd();
}

CrashGuard::CrashGuard(AfterCrash afterCrash, std::string dumpLibrary)
    : crash_(new Crash(std::move(afterCrash), std::move(dumpLibrary))) {
    crash_->reporter.reset(CreateThread(nullptr, 0, Crash::report, crash_, 0, nullptr));
    crash_->finisher.reset(CreateThread(nullptr, 0, Crash::finish, crash_, 0, &crash_->finisherId));
    WNDCLASSA parkClass = {};
    parkClass.lpfnWndProc = Crash::park;
    parkClass.hInstance = GetModuleHandleA(nullptr);
    parkClass.lpszClassName = kParkClass;
    RegisterClassA(&parkClass);  // fails harmlessly for a second guard
    crash_->parkWindow =
        CreateWindowExA(0, kParkClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
    Crash::active = crash_;
    crash_->previous = SetUnhandledExceptionFilter(filter);
}

CrashGuard::~CrashGuard() {
    if (crash_->parkWindow) DestroyWindow(crash_->parkWindow);
    SetUnhandledExceptionFilter(crash_->previous);
    Crash::active = nullptr;
    InterlockedExchange(&crash_->stopping, 1);
    SetEvent(crash_->dumpRequested.get());
    SetEvent(crash_->finishRequested.get());
}

__attribute__((noinline)) void CrashGuard::runBody(void (*call)(void*), void* body) {
    // Room that a stack overflow leaves for dispatching it to the filter
    // (Windows keeps it; Wine 8 ends a thread that overflows at once).
    ULONG guarantee = kStackGuarantee;
    SetThreadStackGuarantee(&guarantee);
    InterlockedExchange(&crash_->armed, 1);
    call(body);
    // Another thread's crash is being ended: what follows the body (the
    // tear-down) must not run beside the clean-up.
    if (crash_->ending) crash_->waitForTheEnd();
    InterlockedExchange(&crash_->armed, 0);
}

// Runs on the crashed thread's stack: no heap, no message box, only events.
LONG WINAPI CrashGuard::filter(EXCEPTION_POINTERS* exception) {
    Crash* crash = Crash::active;
    if (!crash) return EXCEPTION_CONTINUE_SEARCH;
    if (crash->ending) crash->faultWhileEnding();
    if (!crash->armed) return crash->previous ? crash->previous(exception) : EXCEPTION_CONTINUE_SEARCH;
    if (InterlockedExchange(&crash->ending, 1)) crash->faultWhileEnding();

    crash->crashedThread = GetCurrentThreadId();
    tbx::markCrashed();
    DWORD code = exception->ExceptionRecord->ExceptionCode;
    crash->exitCode = code ? code : 1;
    crash->exception = exception;
    if (crash->crashedThread == crash->guardedThread) {
        SetEvent(crash->dumpRequested.get());
        crash->reported = WaitForSingleObject(crash->dumpWritten.get(), kReportTimeoutMs) == WAIT_OBJECT_0;
    } else {
        // The dump writer stalled for good under Wine, now and then, while the
        // guarded thread was alive: the clean-up matters more than the dump.
        crash->parkGuardedThread();
    }
    SetEvent(crash->finishRequested.get());
    crash->waitForTheEnd();
}
