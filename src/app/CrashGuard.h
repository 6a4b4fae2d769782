#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <type_traits>

// Guards the process while run() runs a body on the calling thread. An
// exception that no handler takes, on that thread or on any other (the
// rasteriser's, one a control started), reaches the process's
// unhandled-exception filter, and from then on the program is only ended:
// the crashed thread never runs again (nor, so, the movie it plays and its
// timers), the bridge refuses every call, a reporter thread started in
// advance writes the dump, and a finisher thread, also started in advance,
// calls afterCrash with the dump's path (empty when none was written) and
// then ends the process with the exception's code. The crashed stack, which
// may have overflowed and whose heap may be corrupt, only signals and waits.
// A crash of another thread than the guarded one writes no dump (the
// system's dump writer stalled beside a live thread under Wine); the guarded
// thread stops at its next message (waiting at most 2 s for it) before the
// clean-up, and a body that returns meanwhile waits for the end too.
//
// A fault on any thread while a crash is being ended waits for the finisher
// to end the process; a fault of the finisher itself ends it at once.
// Exceptions that an inner handler takes (the player's, a shell extension's,
// IsBadReadPtr's own) never reach the filter; outside run(), the filter that
// was there before decides. One guard at a time per process.
class CrashGuard {
public:
    using AfterCrash = std::function<void(const std::string& dumpPath)>;

    explicit CrashGuard(AfterCrash afterCrash, std::string dumpLibrary = "dbghelp.dll");
    ~CrashGuard();
    CrashGuard(const CrashGuard&) = delete;
    CrashGuard& operator=(const CrashGuard&) = delete;

    // Runs body() on the calling thread. Returns when the body returns; a
    // crash never returns here.
    template <typename Body>
    void run(Body&& body) {
        using Plain = std::remove_reference_t<Body>;
        runBody([](void* b) { (*static_cast<Plain*>(b))(); }, &body);
    }

private:
    struct Crash;

    void runBody(void (*call)(void*), void* body);
    static LONG WINAPI filter(EXCEPTION_POINTERS* exception);

    Crash* crash_;
};
