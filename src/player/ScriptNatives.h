#pragma once
#include <duktape.h>

namespace player {

class ScriptEngine;

// The natives object `n` the prelude builds the script world on (its
// functions, see the prelude), and the engine each native serves, found in
// the heap's global stash.
const duk_function_list_entry* scriptNatives();
void storeEngine(duk_context* ctx, ScriptEngine* engine);
ScriptEngine& engineOf(duk_context* ctx);

}  // namespace player
