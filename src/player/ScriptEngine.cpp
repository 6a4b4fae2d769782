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
#include "player/ScriptPrelude.h"
#include "player/ScriptValues.h"
#include "tbx/TextConversion.h"

// Natives raise script errors only from frames without C++ objects: Duktape
// unwinds with longjmp. Coercions and throws happen in the prelude.
namespace player {

namespace {

const char* const kEngineKey = "engine";
const char* const kNativesKey = "natives";

ScriptEngine& engineOf(duk_context* ctx) {
    duk_push_global_stash(ctx);
    duk_get_prop_string(ctx, -1, kEngineKey);
    auto* engine = static_cast<ScriptEngine*>(duk_get_pointer(ctx, -1));
    duk_pop_2(ctx);
    return *engine;
}

std::string argText(duk_context* ctx, duk_idx_t index) {
    duk_size_t length = 0;
    const char* text = duk_get_lstring(ctx, index, &length);
    return text ? std::string(text, length) : std::string();
}

std::u16string argWide(duk_context* ctx, duk_idx_t index) { return multiByteToWide(argText(ctx, index), CP_UTF8); }

duk_ret_t nativeTrace(duk_context* ctx) {
    writeLine(STD_OUTPUT_HANDLE, argText(ctx, 0));
    return 0;
}

duk_ret_t nativeFsCommand(duk_context* ctx) {
    try {
        ScriptEngine& engine = engineOf(ctx);
        std::u16string command = argWide(ctx, 0), arguments = argWide(ctx, 1);
        engine.outsideScriptClock([&] { engine.host().fsCommand(command, arguments); });
    } catch (...) {
    }
    return 0;
}

duk_ret_t nativeCall(duk_context* ctx) {
    // A failure to build the answer is raised here, where no C++ object lives.
    if (!engineOf(ctx).externalCallFromScript(ctx)) return duk_throw(ctx);
    return 1;
}

duk_ret_t nativeStartTimer(duk_context* ctx) {
    engineOf(ctx).host().startTimer(static_cast<UINT>(duk_get_uint(ctx, 0)), static_cast<UINT>(duk_get_uint(ctx, 1)));
    return 0;
}

duk_ret_t nativeStopTimer(duk_context* ctx) {
    engineOf(ctx).host().stopTimer(static_cast<UINT>(duk_get_uint(ctx, 0)));
    return 0;
}

duk_ret_t nativeClear(duk_context* ctx) {
    ScriptEngine& engine = engineOf(ctx);
    engine.stage().clear();
    engine.host().stageChanged();
    return 0;
}

duk_ret_t nativeFillRect(duk_context* ctx) {
    ScriptEngine& engine = engineOf(ctx);
    engine.stage().fillRect(duk_get_number(ctx, 0), duk_get_number(ctx, 1), duk_get_number(ctx, 2),
                            duk_get_number(ctx, 3), duk_get_uint(ctx, 4));
    engine.host().stageChanged();
    return 0;
}

duk_ret_t nativeDrawText(duk_context* ctx) {
    ScriptEngine& engine = engineOf(ctx);
    try {
        engine.stage().drawText(duk_get_number(ctx, 0), duk_get_number(ctx, 1), argWide(ctx, 2), duk_get_uint(ctx, 3),
                                duk_get_number(ctx, 4));
    } catch (...) {
    }
    engine.host().stageChanged();
    return 0;
}

duk_ret_t nativeStageWidth(duk_context* ctx) {
    duk_push_int(ctx, engineOf(ctx).stage().width());
    return 1;
}

duk_ret_t nativeStageHeight(duk_context* ctx) {
    duk_push_int(ctx, engineOf(ctx).stage().height());
    return 1;
}

duk_ret_t nativeFrameRate(duk_context* ctx) {
    duk_push_number(ctx, engineOf(ctx).stage().frameRate());
    return 1;
}

duk_ret_t nativeBackground(duk_context* ctx) {
    duk_push_uint(ctx, engineOf(ctx).stage().backgroundColor());
    return 1;
}

duk_ret_t nativeSetBackground(duk_context* ctx) {
    ScriptEngine& engine = engineOf(ctx);
    engine.stage().setBackgroundColor(duk_get_uint(ctx, 0));
    engine.host().stageChanged();
    return 0;
}

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

// One entry from the host into the script: counted for busy(), with a
// deadline of its own. An entry nested in a host call gets a fresh limit; the
// entry it interrupts resumes with what it had left.
class ScriptEngine::Entry {
public:
    explicit Entry(ScriptEngine& engine)
        : engine_(engine), savedDeadline_(engine.deadline_), savedExpired_(engine.expired_) {
        ++engine_.depth_;
        engine_.deadline_ = GetTickCount64() + engine_.host_.scriptTimeLimitMs();
        engine_.expired_ = false;
    }
    ~Entry() {
        engine_.deadline_ = savedDeadline_;
        engine_.expired_ = savedExpired_;
        --engine_.depth_;
    }
    bool timedOut() const { return engine_.expired_; }

private:
    ScriptEngine& engine_;
    ULONGLONG savedDeadline_;
    bool savedExpired_;
};

ScriptEngine::PausedClock::PausedClock(ScriptEngine& engine) : engine_(engine), saved_(engine.deadline_) {
    ULONGLONG now = GetTickCount64();
    remaining_ = saved_ > now ? saved_ - now : 0;
    engine_.deadline_ = 0;
}

ScriptEngine::PausedClock::~PausedClock() { engine_.deadline_ = saved_ ? GetTickCount64() + remaining_ : 0; }

// Polled by Duktape's executor; once past the deadline it keeps answering
// true, so that no catch or finally of the script can go on running.
int ScriptEngine::timedOut(void* check) {
    const ULONGLONG kQuitLookMs = 50;
    ScriptEngine& engine = *static_cast<TimeOutCheck*>(check)->engine;
    if (engine.dead_) return 1;
    if (engine.deadline_ == 0) return 0;
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

std::string ScriptEngine::reportTimeOut(const std::string& function) {
    char seconds[32];
    snprintf(seconds, sizeof seconds, "%g", host_.scriptTimeLimitMs() / 1000.0);
    std::string text =
        movieName_ + ": " + function +
        (quitting_ ? std::string(" was stopped because its thread is ending")
                   : " ran longer than the script time limit (" + std::string(seconds) + " s) and was stopped") +
        "\n" + errorText(-1);
    writeLine(STD_ERROR_HANDLE, "script error: " + text);
    return text;
}

ScriptEngine::ScriptEngine(ScriptHost& host, Stage& stage,
                           const std::vector<std::pair<std::string, std::string>>& flashVars)
    : host_(host), stage_(stage) {
    initializeValueParser();
    ctx_ = duk_create_heap(nullptr, nullptr, nullptr, &timeOutCheck_, fatal);
    if (!ctx_) throw ScriptError("the script engine cannot start");
    // The destructor does not run for a constructor that throws.
    try {
        installWorld(flashVars);
    } catch (const Stopped&) {
        throw ScriptError(stoppedText());
    } catch (...) {
        duk_destroy_heap(ctx_);
        throw;
    }
}

ScriptEngine::~ScriptEngine() {
    if (!dead_) duk_destroy_heap(ctx_);
}

void ScriptEngine::installWorld(const std::vector<std::pair<std::string, std::string>>& flashVars) {
    duk_push_global_stash(ctx_);
    duk_push_pointer(ctx_, this);
    duk_put_prop_string(ctx_, -2, kEngineKey);

    static const duk_function_list_entry natives[] = {{"trace", nativeTrace, 1},
                                                      {"fscommand", nativeFsCommand, 2},
                                                      {"call", nativeCall, 2},
                                                      {"startTimer", nativeStartTimer, 2},
                                                      {"stopTimer", nativeStopTimer, 1},
                                                      {"clear", nativeClear, 0},
                                                      {"fillRect", nativeFillRect, 5},
                                                      {"drawText", nativeDrawText, 5},
                                                      {"stageWidth", nativeStageWidth, 0},
                                                      {"stageHeight", nativeStageHeight, 0},
                                                      {"frameRate", nativeFrameRate, 0},
                                                      {"background", nativeBackground, 0},
                                                      {"setBackground", nativeSetBackground, 1},
                                                      {nullptr, nullptr, 0}};
    duk_idx_t n = duk_push_object(ctx_);
    duk_put_function_list(ctx_, n, natives);
    duk_idx_t vars = duk_push_object(ctx_);
    for (const auto& pair : flashVars) {
        duk_push_lstring(ctx_, pair.second.data(), pair.second.size());
        duk_put_prop_lstring(ctx_, vars, pair.first.data(), pair.first.size());
    }
    duk_put_prop_string(ctx_, n, "flashVars");
    duk_dup(ctx_, n);
    duk_put_prop_string(ctx_, -3, kNativesKey);  // stash.natives = n

    duk_push_string(ctx_, "prelude");
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

bool ScriptEngine::run(const std::string& source, const std::string& fileName) {
    movieName_ = fileName;
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
    bool ok = duk_pcompile_lstring_filename(ctx_, 0, source.data() + skip, source.size() - skip) == 0 &&
              duk_pcall(ctx_, 0) == 0;
    if (!ok && entry.timedOut())
        reportTimeOut("the top level");
    else if (!ok)
        writeLine(STD_ERROR_HANDLE, "script error: " + errorText(-1));
    duk_set_top(ctx_, top);
    return ok;
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
    } else if (entry.timedOut()) {
        duk_get_prop_string(ctx_, top, "timerFunction");
        std::string function = argText(ctx_, -1);
        duk_pop(ctx_);
        reportTimeOut("the timer function \"" + function + "\"");
        host_.stopTimer(id);  // an interval would only hold the thread again
    } else {
        writeLine(STD_ERROR_HANDLE, "script error: " + errorText(-1));
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
    else if (entry.timedOut())
        reportTimeOut("the key handler");
    else
        writeLine(STD_ERROR_HANDLE, "script error: " + errorText(-1));
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
        // a time-out on the trace output as well.
        fail(entry.timedOut() ? reportTimeOut("the callback \"" + name + "\"") : errorText(-1));
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
        request.name = escapeAttribute(utf8ToAnsi(argText(ctx, 0)));
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
    } else try {
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
