// The engine as a target of Duktape's debug protocol: the transport over a
// client's connection.
#include "player/DebugConnection.h"
#include "player/ScriptEngine.h"

namespace player {

duk_size_t ScriptEngine::debugRead(void* udata, char* buffer, duk_size_t length) {
    auto& engine = *static_cast<ScriptEngine*>(udata);
    if (!engine.debugger_) return 0;
    // While the client holds the script paused, its time does not run.
    duk_size_t got = 0;
    engine.outsideScriptClock([&] { got = engine.debugger_->read(buffer, length); });
    return got;
}

duk_size_t ScriptEngine::debugWrite(void* udata, const char* buffer, duk_size_t length) {
    auto& engine = *static_cast<ScriptEngine*>(udata);
    return engine.debugger_ ? engine.debugger_->write(buffer, length) : 0;
}

duk_size_t ScriptEngine::debugPeek(void* udata) {
    auto& engine = *static_cast<ScriptEngine*>(udata);
    return engine.debugger_ ? engine.debugger_->available() : 0;
}

void ScriptEngine::debugWriteFlush(void* udata) {
    auto& engine = *static_cast<ScriptEngine*>(udata);
    if (engine.debugger_) engine.debugger_->flush();
}

void ScriptEngine::debugDetached(duk_context*, void* udata) {
    auto& engine = *static_cast<ScriptEngine*>(udata);
    if (engine.debugger_) engine.debugger_->flush();
    engine.debugger_ = nullptr;
    engine.host_.debuggerDetached();
}

void ScriptEngine::attachDebugger(DebugConnection& connection) {
    if (dead_ || debugger_) return;
    debugger_ = &connection;
    try {
        duk_debugger_attach(ctx_, debugRead, debugWrite, debugPeek, nullptr, debugWriteFlush, nullptr, debugDetached,
                            this);
    } catch (const Stopped&) {
        debugger_ = nullptr;
    }
}

}  // namespace player
