#pragma once
#include <duktape.h>

#include <string>

namespace player {

// What the trace says about a value a script threw (texts in UTF-8).
struct ThrownValue {
    std::string message;  // "TypeError: x is not a function", or the value as text
    // Where it was thrown in the movie's own script: the innermost frame
    // outside the player's prelude; empty and 0 when unknown.
    std::string file;
    long line = 0;
    // The call stack, one "\n    at ..." line per frame of the movie's
    // script, innermost first; frames inside the engine are left out.
    std::string frames;

    // " (FILE:LINE)", or "" when the place is unknown.
    std::string place() const;
};

// Reads the value at index without running the movie's code unprotected:
// its getters may throw or be replaced.
ThrownValue describeThrown(duk_context* ctx, duk_idx_t index);

// The file name the player gives its prelude's code.
extern const char* const kPreludeFileName;

}  // namespace player
