#include "player/ScriptErrors.h"

#include <cstdlib>

#include "player/ScriptValues.h"

namespace player {

const char* const kPreludeFileName = "prelude";

namespace {

// [value] -> [message fileName lineNumber stack]; run protected.
duk_ret_t readThrown(duk_context* ctx, void*) {
    duk_idx_t value = duk_normalize_index(ctx, -1);
    duk_dup(ctx, value);
    duk_safe_to_string(ctx, -1);
    if (!duk_is_error(ctx, value)) {
        duk_push_undefined(ctx);
        duk_push_undefined(ctx);
        duk_push_undefined(ctx);
        return 4;
    }
    duk_get_prop_string(ctx, value, "fileName");
    duk_get_prop_string(ctx, value, "lineNumber");
    duk_get_prop_string(ctx, value, "stack");
    return 4;
}

// "    at NAME (FILE:LINE) ..." -> FILE and LINE; false for a frame without them.
bool frameFileAndLine(const std::string& frame, std::string& file, long& line) {
    size_t open = frame.find(" (");
    size_t close = frame.find(')', open);
    if (open == std::string::npos || close == std::string::npos) return false;
    std::string place = frame.substr(open + 2, close - open - 2);
    size_t colon = place.rfind(':');
    if (colon == std::string::npos) return false;
    file = place.substr(0, colon);
    line = strtol(place.c_str() + colon + 1, nullptr, 10);
    return true;
}

// Keeps the frames of the movie's script: those inside the engine (marked
// "internal") and those of the prelude are the player's own plumbing.
void takeFrames(const std::string& stack, ThrownValue& thrown) {
    size_t start = stack.find("\n    at ");
    bool placed = false;
    while (start != std::string::npos) {
        size_t end = stack.find('\n', start + 1);
        std::string frame = stack.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end;
        std::string file;
        long line = 0;
        bool known = frameFileAndLine(frame, file, line);
        if (frame.size() >= 9 && frame.compare(frame.size() - 9, 9, " internal") == 0) continue;
        if (known && file == kPreludeFileName) continue;
        thrown.frames += frame;
        if (known && !placed) {
            thrown.file = file;
            thrown.line = line;
            placed = true;
        }
    }
}

}  // namespace

std::string ThrownValue::place() const {
    return file.empty() ? std::string() : " (" + file + ":" + std::to_string(line) + ")";
}

ThrownValue describeThrown(duk_context* ctx, duk_idx_t index) {
    ThrownValue thrown;
    duk_dup(ctx, index);
    if (duk_safe_call(ctx, readThrown, nullptr, 1, 4) != DUK_EXEC_SUCCESS) {
        thrown.message = "a thrown value that cannot be read";
        duk_pop_n(ctx, 4);
        return thrown;
    }
    thrown.message = stringAt(ctx, -4);
    takeFrames(stringAt(ctx, -1), thrown);
    if (thrown.file.empty()) {
        std::string file = stringAt(ctx, -3);
        if (!file.empty() && file != kPreludeFileName) {
            thrown.file = file;
            thrown.line = static_cast<long>(duk_get_int_default(ctx, -2, 0));
        }
    }
    duk_pop_n(ctx, 4);
    return thrown;
}

}  // namespace player
