#include "player/ScriptNatives.h"

#include <string>

#include "player/ScriptEngine.h"
#include "player/ScriptValues.h"
#include "tbx/TextConversion.h"

// Natives raise script errors only from frames without C++ objects: Duktape
// unwinds with longjmp. Coercions and throws happen in the prelude.
namespace player {

namespace {

const char* const kEngineKey = "engine";

}  // namespace

ScriptEngine& engineOf(duk_context* ctx) {
    duk_push_global_stash(ctx);
    duk_get_prop_string(ctx, -1, kEngineKey);
    auto* engine = static_cast<ScriptEngine*>(duk_get_pointer(ctx, -1));
    duk_pop_2(ctx);
    return *engine;
}

namespace {

std::u16string argWide(duk_context* ctx, duk_idx_t index) { return multiByteToWide(stringAt(ctx, index), CP_UTF8); }

duk_ret_t nativeTrace(duk_context* ctx) {
    writeLine(STD_OUTPUT_HANDLE, stringAt(ctx, 0));
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

duk_ret_t nativeFinalizerFailed(duk_context* ctx) {
    duk_dup(ctx, 0);
    engineOf(ctx).reportError("a finalizer");
    duk_pop(ctx);
    return 0;
}

}  // namespace

const duk_function_list_entry* scriptNatives() {
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
                                                      {"finalizerFailed", nativeFinalizerFailed, 1},
                                                      {nullptr, nullptr, 0}};
    return natives;
}

void storeEngine(duk_context* ctx, ScriptEngine* engine) {
    duk_push_global_stash(ctx);
    duk_push_pointer(ctx, engine);
    duk_put_prop_string(ctx, -2, kEngineKey);
    duk_pop(ctx);
}

}  // namespace player
