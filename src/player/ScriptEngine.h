#pragma once
#include <duktape.h>

#include <string>
#include <utility>
#include <vector>

#include "bridge/values/FlashExRequest.h"
#include "player/ScriptHost.h"
#include "player/Stage.h"
#include "tbx/Error.h"

namespace player {

// A failure of a call into the movie's script (its message is UTF-8).
class ScriptError : public tbx::Error {
public:
    explicit ScriptError(const std::string& utf8Message) : tbx::Error(utf8Message) {}
};

class DebugConnection;

// One movie's script world on Duktape, on the control's thread. Every error
// the script does not catch, wherever the host entered it (top level,
// callbacks, timers, the key handler, finalizers), is written to standard
// error as "script error: MOVIE: FUNCTION: MESSAGE (FILE:LINE)" with the
// stack, and handed to the host; a CallFunction's failure also reaches its
// caller as ScriptError. An entry from the host into the script may run for
// the host's time limit; time the host spends answering the script's calls,
// or a debugger holds the script paused, does not count, and an entry nested
// in a host call spends the time of the entry it interrupts. Finalizers run
// inside an entry (the heap's last ones under a limit of their own), or are
// stopped at once. A script past its limit is stopped with an error that
// names the movie and the function.
class ScriptEngine {
public:
    ScriptEngine(ScriptHost& host, Stage& stage, const std::vector<std::pair<std::string, std::string>>& flashVars);
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // Runs the movie's top level (UTF-8 source); false when it failed.
    // movieName names the movie on the trace output, fileName the script in
    // its errors and to the debugger.
    bool run(const std::string& source, const std::string& movieName, const std::string& fileName);
    void fireTimer(UINT id);
    // Calls the function the movie registered with addCallback under the
    // invoke text's name; answers the result as value XML.
    std::u16string callFunction(const std::u16string& invoke);
    // Offers a keyboard message to the movie's accelerator handler; true when
    // the handler answered true (the key is consumed). type names the message
    // ("keyDown", "char", ...); modifiers: Ctrl 1, Shift 2, Alt 4.
    bool translateKey(unsigned keyCode, const char* type, int modifiers);
    // True while script code runs (also in nested calls from the host).
    bool busy() const { return depth_ > 0; }
    // Runs fn (a call into the host) with the script's clock stopped.
    template <typename Fn>
    void outsideScriptClock(Fn&& fn);

    // Makes the script a target of Duktape's debug protocol over connection,
    // which must outlive the attachment: the script pauses at once, before
    // what runs next. The host hears of the end through debuggerDetached.
    void attachDebugger(DebugConnection& connection);
    bool debuggerAttached() const { return debugger_ != nullptr; }
    // Serves the debug client's requests while no script runs (call from
    // the message loop): an evaluation runs as an entry of its own.
    void serveDebugger();

    // Natives of the prelude. The call pushes the answer for the script;
    // false when that failed (the error pushed instead).
    bool externalCallFromScript(duk_context* ctx);
    tbx::Variant invokeTextOf(duk_context* ctx, duk_idx_t tokens);
    // Reports the error on top of the stack, thrown in function.
    void reportError(const std::string& function);
    ScriptHost& host() { return host_; }
    Stage& stage() { return stage_; }

private:
    class Entry;
    class PausedClock;
    // Thrown by fatal to where the host entered the engine.
    struct Stopped {};
    static int timedOut(void* check);
    static void fatal(void* check, const char* message);
    std::string stoppedText() const;
    bool runTopLevel(const std::string& source, const std::string& fileName);
    void fireTimerOnce(UINT id);
    bool offerKey(unsigned keyCode, const char* type, int modifiers);
    std::u16string callCallback(const FlashExRequest& request);
    // Writes the time-out of the entry that just failed, naming the movie and
    // what ran, with the error on the stack; answers the text.
    std::string reportTimeOut(const std::string& function);
    // Reports the failure on top of the stack of the entry that ran function.
    void reportFailure(const Entry& entry, const std::string& function);
    void reportSyntaxError(const std::string& source, const std::string& fileName);
    void installWorld(const std::vector<std::pair<std::string, std::string>>& flashVars);
    // Destroys the heap; its finalizers run under the time limit.
    void destroyHeap();
    // Pushes the prelude's natives object `n`.
    void pushNatives();
    std::string errorText(duk_idx_t index);
    void stopClock();
    void startClock();

    // Duktape's debug transport, over debugger_.
    static duk_size_t debugRead(void* udata, char* buffer, duk_size_t length);
    static duk_size_t debugWrite(void* udata, const char* buffer, duk_size_t length);
    static duk_size_t debugPeek(void* udata);
    static void debugWriteFlush(void* udata);
    static void debugDetached(duk_context* ctx, void* udata);

    ScriptHost& host_;
    Stage& stage_;
    duk_context* ctx_ = nullptr;
    int depth_ = 0;
    std::string movieName_;
    // Heap user data that Duktape's time-out check calls (see the build's
    // copy of duk_config.h); its first member is the check.
    struct TimeOutCheck {
        int (*check)(void*);
        ScriptEngine* engine;
    } timeOutCheck_ = {timedOut, this};
    // The outermost entry's deadline (GetTickCount64). While the clock is
    // stopped (clockStops_ > 0) the time is not counted: it is added to the
    // deadline when the clock starts again.
    ULONGLONG deadline_ = 0;
    int clockStops_ = 0;
    ULONGLONG stoppedAt_ = 0;
    bool expired_ = false;
    // A WM_QUIT waiting for the thread stops the script too: the thread is
    // being ended (the rasteriser's at exit). Looked for now and then.
    ULONGLONG nextQuitLook_ = 0;
    bool quitting_ = false;
    // After a fatal engine failure: no script runs again, and a script
    // still running is stopped at once.
    bool dead_ = false;
    DebugConnection* debugger_ = nullptr;
};

class ScriptEngine::PausedClock {
public:
    explicit PausedClock(ScriptEngine& engine) : engine_(engine) { engine_.stopClock(); }
    ~PausedClock() { engine_.startClock(); }
    PausedClock(const PausedClock&) = delete;
    PausedClock& operator=(const PausedClock&) = delete;

private:
    ScriptEngine& engine_;
};

template <typename Fn>
void ScriptEngine::outsideScriptClock(Fn&& fn) {
    PausedClock paused(*this);
    fn();
}

// Starts the XML parser library that value XML needs, once per process.
void initializeValueParser();

// Writes one UTF-8 line (a newline added) to standard output or error.
void writeLine(DWORD stdHandle, const std::string& utf8);

}  // namespace player
