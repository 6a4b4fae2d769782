#include "player/ScriptEngine.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <stdexcept>

#include "tbx/ErrorBoundary.h"
#include "tbx/FlashExException.h"
#include "bridge/values/FlashExParse.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/values/XercesFacade.h"
#include "player/ScriptErrors.h"
#include "player/ScriptNatives.h"
#include "player/ScriptPrelude.h"
#include "player/ScriptSyntax.h"
#include "player/ScriptValues.h"
#include "tbx/TextConversion.h"

namespace player {

namespace {

const char* const kNativesKey = "natives";

BOOL CALLBACK initializeParser(INIT_ONCE*, void*, void**) {
    try {
        XercesFacade::initialize();
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

}  // namespace

void initializeValueParser() {
    // Players on several threads share the process's one parser library.
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    InitOnceExecuteOnce(&once, initializeParser, nullptr, nullptr);
}

void writeLine(DWORD stdHandle, const std::string& utf8) {
    std::string line = utf8 + "\n";
    HANDLE out = GetStdHandle(stdHandle);
    DWORD written = 0;
    // One unbuffered write per line: nothing waits in the process. (Flushing a
    // pipe would block until the reader has taken everything.)
    if (out && out != INVALID_HANDLE_VALUE)
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// One entry from the host into the script, counted for busy(). The
// outermost entry sets the deadline; an entry nested in a host call (an event
// the call caused, a timer of a dialog's message loop) runs on the clock of
// the entry it interrupts, which stands still only while the host works.
class ScriptEngine::Entry {
public:
    explicit Entry(ScriptEngine& engine) : engine_(engine), outermost_(engine.depth_ == 0) {
        ULONGLONG now = GetTickCount64();
        if (outermost_) {
            engine_.deadline_ = now + engine_.host_.scriptTimeLimitMs();
            engine_.expired_ = false;
        } else if (engine_.clockStops_ > 0) {
            savedStops_ = engine_.clockStops_;
            engine_.deadline_ += now - engine_.stoppedAt_;
            engine_.clockStops_ = 0;
        }
        ++engine_.depth_;
    }
    ~Entry() {
        --engine_.depth_;
        if (savedStops_ > 0) {
            engine_.clockStops_ = savedStops_;
            engine_.stoppedAt_ = GetTickCount64();
        }
    }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;
    bool timedOut() const { return engine_.expired_; }

private:
    ScriptEngine& engine_;
    bool outermost_;
    int savedStops_ = 0;
};

void ScriptEngine::stopClock() {
    if (clockStops_++ == 0) stoppedAt_ = GetTickCount64();
}

void ScriptEngine::startClock() {
    if (--clockStops_ == 0) deadline_ += GetTickCount64() - stoppedAt_;
}

// Polled by Duktape's executor; once past the deadline it keeps answering
// true, so that no catch or finally of the script can go on running. Script
// code outside every entry (a finalizer the heap runs between entries) is
// stopped at once.
int ScriptEngine::timedOut(void* check) {
    const ULONGLONG kQuitLookMs = 50;
    ScriptEngine& engine = *static_cast<TimeOutCheck*>(check)->engine;
    if (engine.dead_ || engine.depth_ == 0) return 1;
    if (engine.clockStops_ > 0) return 0;
    ULONGLONG now = GetTickCount64();
    if (!engine.quitting_ && now >= engine.nextQuitLook_) {
        engine.nextQuitLook_ = now + kQuitLookMs;
        MSG quit;
        // Only posted messages: nothing is dispatched while the script runs.
        engine.quitting_ = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE | PM_QS_POSTMESSAGE) != FALSE;
    }
    if (now < engine.deadline_ && !engine.quitting_) return 0;
    engine.expired_ = true;
    return 1;
}

// Duktape calls this for an error with no protected call to catch it; it must
// not return. Instead of ending the process, the movie's scripts stop: the
// throw unwinds to where the host entered the engine, and the heap, whose
// state is lost, is never used (nor freed) again.
void ScriptEngine::fatal(void* check, const char* message) {
    ScriptEngine& engine = *static_cast<TimeOutCheck*>(check)->engine;
    engine.dead_ = true;
    writeLine(STD_ERROR_HANDLE, "script engine failure: " + engine.movieName_ + ": " + (message ? message : "") +
                                    "; the movie's scripts are stopped");
    throw Stopped();
}

std::string ScriptEngine::stoppedText() const {
    return movieName_ + ": the movie's scripts were stopped after a script engine failure";
}

namespace {

std::string limitText(DWORD milliseconds) {
    char seconds[32];
    snprintf(seconds, sizeof seconds, "%g", milliseconds / 1000.0);
    return "the script time limit (" + std::string(seconds) + " s)";
}

}  // namespace

std::string ScriptEngine::reportTimeOut(const std::string& function) {
    ThrownValue thrown = describeThrown(ctx_, -1);
    std::string what = quitting_ ? " was stopped because its thread is ending"
                                 : " ran longer than " + limitText(host_.scriptTimeLimitMs()) + " and was stopped";
    std::string text = movieName_ + ": " + function + what + thrown.place();
    writeLine(STD_ERROR_HANDLE, "script error: " + text + thrown.frames);
    host_.scriptFailed(function + what + thrown.place());
    return text + "\n" + errorText(-1);
}

void ScriptEngine::reportError(const std::string& function) {
    ThrownValue thrown = describeThrown(ctx_, -1);
    std::string summary = function + ": " + thrown.message + thrown.place();
    writeLine(STD_ERROR_HANDLE, "script error: " + movieName_ + ": " + summary + thrown.frames);
    host_.scriptFailed(summary);
}

void ScriptEngine::reportFailure(const Entry& entry, const std::string& function) {
    if (entry.timedOut())
        reportTimeOut(function);
    else
        reportError(function);
}

void ScriptEngine::reportSyntaxError(const std::string& source, const std::string& fileName) {
    SyntaxProblem problem = syntaxProblemOf(ctx_, source);
    std::string summary = "the top level: " + problem.message + " (" + problem.place(fileName) + ")";
    if (!problem.hint.empty()) summary += "\nhint: " + problem.hint;
    writeLine(STD_ERROR_HANDLE, "script error: " + movieName_ + ": " + summary);
    host_.scriptFailed(summary);
}

ScriptEngine::ScriptEngine(ScriptHost& host, Stage& stage,
                           const std::vector<std::pair<std::string, std::string>>& flashVars)
    : host_(host), stage_(stage) {
    initializeValueParser();
    ctx_ = duk_create_heap(nullptr, nullptr, nullptr, &timeOutCheck_, fatal);
    if (!ctx_) throw ScriptError("the script engine cannot start");
    // The destructor does not run for a constructor that throws.
    try {
        Entry entry(*this);
        installWorld(flashVars);
    } catch (const Stopped&) {
        throw ScriptError(stoppedText());
    } catch (...) {
        destroyHeap();
        throw;
    }
}

ScriptEngine::~ScriptEngine() {
    if (dead_) return;
    if (debugger_) duk_debugger_detach(ctx_);
    destroyHeap();
}

void ScriptEngine::destroyHeap() {
    bool timedOut = false;
    try {
        Entry entry(*this);
        duk_destroy_heap(ctx_);
        timedOut = entry.timedOut();
    } catch (const Stopped&) {
        // The heap failed while it was being freed: what is left of it stays.
    }
    if (timedOut)
        writeLine(STD_ERROR_HANDLE, "script error: " + movieName_ + ": the finalizers at unload ran longer than " +
                                        limitText(host_.scriptTimeLimitMs()) + " and were stopped");
}

void ScriptEngine::installWorld(const std::vector<std::pair<std::string, std::string>>& flashVars) {
    storeEngine(ctx_, this);
    duk_push_global_stash(ctx_);
    duk_idx_t n = duk_push_object(ctx_);
    duk_put_function_list(ctx_, n, scriptNatives());
    duk_idx_t vars = duk_push_object(ctx_);
    for (const auto& pair : flashVars) {
        duk_push_lstring(ctx_, pair.second.data(), pair.second.size());
        duk_put_prop_lstring(ctx_, vars, pair.first.data(), pair.first.size());
    }
    duk_put_prop_string(ctx_, n, "flashVars");
    // A hidden symbol: a key no movie code can name or list.
    duk_push_string(ctx_,
                    "\xFF"
                    "original");
    duk_put_prop_string(ctx_, n, "originalKey");
    duk_dup(ctx_, n);
    duk_put_prop_string(ctx_, -3, kNativesKey);  // stash.natives = n

    duk_push_string(ctx_, kPreludeFileName);
    if (duk_pcompile_string_filename(ctx_, DUK_COMPILE_EVAL, kScriptPrelude) != 0 || duk_pcall(ctx_, 0) != 0) {
        std::string message = errorText(-1);
        duk_set_top(ctx_, 0);
        throw ScriptError("the script world cannot be built: " + message);
    }
    duk_dup(ctx_, n);
    duk_push_global_object(ctx_);
    if (duk_pcall(ctx_, 2) != 0) {
        std::string message = errorText(-1);
        duk_set_top(ctx_, 0);
        throw ScriptError("the script world cannot be built: " + message);
    }
    duk_set_top(ctx_, 0);
}

void ScriptEngine::pushNatives() {
    duk_push_global_stash(ctx_);
    duk_get_prop_string(ctx_, -1, kNativesKey);
    duk_remove(ctx_, -2);
}

namespace {

// [error] -> [text]: the stack trace names the line; a thrown non-error has
// none. Run protected: a movie may have replaced the getter of "stack". (A
// safe call sees its caller's whole stack: the error is on top.)
duk_ret_t errorTextOf(duk_context* ctx, void*) {
    duk_idx_t error = duk_get_top_index(ctx);
    if (duk_is_error(ctx, error)) {
        duk_get_prop_string(ctx, error, "stack");
        if (duk_is_string(ctx, -1)) return 1;
        duk_pop(ctx);
    }
    duk_to_string(ctx, error);
    return 1;
}

}  // namespace

std::string ScriptEngine::errorText(duk_idx_t index) {
    duk_dup(ctx_, index);
    duk_safe_call(ctx_, errorTextOf, nullptr, 1, 1);
    std::string text = duk_safe_to_string(ctx_, -1);
    duk_pop(ctx_);
    return text;
}

bool ScriptEngine::run(const std::string& source, const std::string& movieName, const std::string& fileName) {
    movieName_ = movieName;
    if (dead_) return false;
    try {
        return runTopLevel(source, fileName);
    } catch (const Stopped&) {
        return false;
    }
}

bool ScriptEngine::runTopLevel(const std::string& source, const std::string& fileName) {
    Entry entry(*this);
    duk_idx_t top = duk_get_top(ctx_);
    size_t skip = source.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    duk_push_lstring(ctx_, fileName.data(), fileName.size());
    bool ok = false;
    if (duk_pcompile_lstring_filename(ctx_, 0, source.data() + skip, source.size() - skip) != 0)
        reportSyntaxError(source, fileName);
    else if (!(ok = duk_pcall(ctx_, 0) == 0))
        reportFailure(entry, "the top level");
    duk_set_top(ctx_, top);
    return ok;
}

void ScriptEngine::serveDebugger() {
    if (dead_ || !debugger_ || busy()) return;
    try {
        Entry entry(*this);
        duk_debugger_cooperate(ctx_);
    } catch (const Stopped&) {
        // The engine failed: its scripts are stopped, the client is left.
    }
}

void ScriptEngine::fireTimer(UINT id) {
    if (dead_) {
        host_.stopTimer(id);
        return;
    }
    try {
        fireTimerOnce(id);
    } catch (const Stopped&) {
        host_.stopTimer(id);
    }
}

void ScriptEngine::fireTimerOnce(UINT id) {
    Entry entry(*this);
    duk_idx_t top = duk_get_top(ctx_);
    pushNatives();
    duk_push_string(ctx_, "fireTimer");
    duk_push_uint(ctx_, id);
    if (duk_pcall_prop(ctx_, top, 1) == 0) {
        if (!duk_get_boolean(ctx_, -1)) host_.stopTimer(id);  // a timer the script no longer knows
    } else {
        duk_get_prop_string(ctx_, top, "timerFunction");
        std::string function = "the timer function \"" + std::string(duk_safe_to_string(ctx_, -1)) + "\"";
        duk_pop(ctx_);
        reportFailure(entry, function);
        // An interval past the limit would only hold the thread again.
        if (entry.timedOut()) host_.stopTimer(id);
    }
    duk_set_top(ctx_, top);
}

bool ScriptEngine::translateKey(unsigned keyCode, const char* type, int modifiers) {
    if (dead_) return false;
    try {
        return offerKey(keyCode, type, modifiers);
    } catch (const Stopped&) {
        return false;
    }
}

bool ScriptEngine::offerKey(unsigned keyCode, const char* type, int modifiers) {
    Entry entry(*this);
    duk_idx_t top = duk_get_top(ctx_);
    pushNatives();
    duk_push_string(ctx_, "translateKey");
    duk_push_uint(ctx_, keyCode);
    duk_push_string(ctx_, type);
    duk_push_int(ctx_, modifiers);
    bool consumed = false;
    if (duk_pcall_prop(ctx_, top, 3) == 0)
        consumed = duk_get_boolean(ctx_, -1) != 0;
    else
        reportFailure(entry, "the key handler");
    duk_set_top(ctx_, top);
    return consumed;
}

namespace {

// [] -> [arguments]: their script values (udata: the request's arguments).
duk_ret_t pushArguments(duk_context* ctx, void* arguments) {
    pushParam(ctx, static_cast<const FlashExParamArguments*>(arguments));
    return 1;
}

// [] -> [answer]: the pair [ok, value or message] the prelude's call reads,
// in an array no script can reach (udata: the ExternalAnswer).
struct ExternalAnswer {
    bool ok;
    const FlashExParam* value;
    const std::string* message;
};

duk_ret_t pushAnswer(duk_context* ctx, void* udata) {
    const auto& answer = *static_cast<const ExternalAnswer*>(udata);
    duk_idx_t result = duk_push_bare_array(ctx);
    duk_push_boolean(ctx, answer.ok);
    duk_put_prop_index(ctx, result, 0);
    if (answer.ok)
        pushParam(ctx, answer.value);
    else
        duk_push_lstring(ctx, answer.message->data(), answer.message->size());
    duk_put_prop_index(ctx, result, 1);
    return 1;
}

}  // namespace

std::u16string ScriptEngine::callFunction(const std::u16string& invoke) {
    FlashExRequest request;
    parseRequest(invoke.c_str(), request);
    if (dead_) throw ScriptError(stoppedText());
    try {
        return callCallback(request);
    } catch (const Stopped&) {
        throw ScriptError(stoppedText());
    }
}

std::u16string ScriptEngine::callCallback(const FlashExRequest& request) {
    Entry entry(*this);
    duk_idx_t top = duk_get_top(ctx_);
    // Script values are made and read only inside protected calls: an error
    // here must not unwind through the host's frames of a nested call.
    auto fail = [&](const std::string& message) {
        duk_set_top(ctx_, top);
        throw ScriptError(message);
    };
    pushNatives();
    duk_push_string(ctx_, "invokeCallback");
    std::string name = ansiToUtf8(request.name);
    duk_push_lstring(ctx_, name.data(), name.size());
    if (duk_safe_call(ctx_, pushArguments, const_cast<FlashExParamArguments*>(&request.arguments), 0, 1) != 0)
        fail(errorText(-1));
    if (duk_pcall_prop(ctx_, top, 2) != 0) {
        // The host discards the failures of its event calls: the author sees
        // them on the trace output as well.
        std::string function = "the callback \"" + name + "\"";
        if (entry.timedOut()) fail(reportTimeOut(function));
        reportError(function);
        fail(errorText(-1));
    }
    if (!pushTokenCopy(ctx_, -1)) fail(errorText(-1));
    duk_uarridx_t position = 0;
    std::unique_ptr<FlashExParam> result;
    try {
        result = paramFromTokens(ctx_, duk_get_top_index(ctx_), position);
    } catch (...) {
        duk_set_top(ctx_, top);
        throw;
    }
    duk_set_top(ctx_, top);
    std::string xml;
    result->writeXML(xml);
    return multiByteToWide(xml, CP_ACP);
}

// The invoke text of the call on the stack, as the host receives it; the
// arguments are read from `tokens`, the copy of their flattened array. The
// request and its narrow text are gone when it returns, so a long argument
// is not held several times during the call.
tbx::Variant ScriptEngine::invokeTextOf(duk_context* ctx, duk_idx_t tokens) {
    std::string invoke;
    {
        FlashExRequest request;
        request.name = escapeAttribute(utf8ToAnsi(stringAt(ctx, 0)));
        request.returntype = "xml";
        duk_uarridx_t position = 0;
        ParamPtr arguments = paramFromTokens(ctx, tokens, position);
        FlashExParamArray* list = arguments->asArray();
        if (!list || position != duk_get_length(ctx, tokens)) throw std::runtime_error("malformed script value");
        while (list->size() > 0) request.arguments.push(list->take(0));
        writeInvoke(request, invoke);
    }
    tbx::Variant text = tbx::Variant::fromAnsi(invoke);
    if (V_BSTR(text.get()) == nullptr) throw std::bad_alloc();
    return text;
}

bool ScriptEngine::externalCallFromScript(duk_context* ctx) {
    // Answers [true, value] or [false, message] for the prelude to return or throw.
    bool ok = false;
    std::string message;
    ParamPtr answer;
    // A movie can reach this native itself (through Duktape.act) and hand it
    // any value: only the copy of its list is read.
    if (dead_) {
        message = stoppedText();
    } else if (!pushTokenCopy(ctx, 1)) {
        message = errorText(-1);
    } else
        try {
            std::string returned;
            bool answered = false;
            tbx::Variant invoke = invokeTextOf(ctx, duk_get_top_index(ctx));
            outsideScriptClock([&] { answered = host_.externalCall(std::move(invoke), returned); });
            if (answered) answer = parseAnswer(std::move(returned));
            ok = true;
        } catch (...) {
            message = ansiToUtf8(caughtError().textOr("the external call failed"));
        }
    ExternalAnswer pair = {ok, answer.get(), &message};
    return duk_safe_call(ctx, pushAnswer, &pair, 0, 1) == DUK_EXEC_SUCCESS;
}

}  // namespace player
