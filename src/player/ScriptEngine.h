#pragma once
#include <duktape.h>

#include <string>
#include <utility>
#include <vector>

#include "player/ScriptHost.h"
#include "player/Stage.h"
#include "tbx/Error.h"

namespace player {

// A failure of a call into the movie's script (its message is UTF-8).
class ScriptError : public tbx::Error {
public:
    explicit ScriptError(const std::string& utf8Message) : tbx::Error(utf8Message) {}
};

// One movie's script world on Duktape, on the control's thread. Errors the
// script does not catch in its top level or a timer are written to standard
// error; those of a CallFunction reach its caller as ScriptError.
class ScriptEngine {
public:
    ScriptEngine(ScriptHost& host, Stage& stage, const std::vector<std::pair<std::string, std::string>>& flashVars);
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // Runs the movie's top level (UTF-8 source); false when it failed.
    bool run(const std::string& source, const std::string& fileName);
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

    // Natives of the prelude.
    void externalCallFromScript(duk_context* ctx);
    tbx::Variant invokeTextOf(duk_context* ctx);
    ScriptHost& host() { return host_; }
    Stage& stage() { return stage_; }

private:
    class Depth;
    void installWorld(const std::vector<std::pair<std::string, std::string>>& flashVars);
    // Pushes the prelude's natives object `n`.
    void pushNatives();
    std::string errorText(duk_idx_t index);

    ScriptHost& host_;
    Stage& stage_;
    duk_context* ctx_ = nullptr;
    int depth_ = 0;
};

// Starts the XML parser library that value XML needs, once per process.
void initializeValueParser();

// Writes one UTF-8 line (a newline added) to standard output or error.
void writeLine(DWORD stdHandle, const std::string& utf8);

}  // namespace player
