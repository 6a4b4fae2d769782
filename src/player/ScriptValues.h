#pragma once
#include <duktape.h>

#include <memory>
#include <string>

#include "bridge/values/FlashExParam.h"

// Conversions between script values and the bridge's values. The player's
// own conventions: integral numbers are written without a fraction, other
// numbers in their shortest exact form, undefined as "<undefined/>".
namespace player {

// An undefined script value (the bridge's sentinel is written as null).
class ScriptUndefined : public FlashExParam {
public:
    void writeXML(std::string& out) const override { out += "<undefined/>"; }
};

// A non-integral (or out of int range) script number.
class ScriptNumber : public FlashExParamDouble {
public:
    explicit ScriptNumber(double value) : FlashExParamDouble(value) {}
    void writeXML(std::string& out) const override;
};

// A bridge value for a script number: an int when integral and in range.
ParamPtr numberParam(double value);

// Copies the token list at `list` (see the prelude's flatten) inside a
// protected call into a new array no script can reach, pushed on the stack:
// a movie can hand the natives any value, with getters that throw. Only
// text, numbers and booleans are copied. False (the error pushed instead)
// when the list cannot be read.
bool pushTokenCopy(duk_context* ctx, duk_idx_t list);

// Reads one value from a copy made by pushTokenCopy starting at `position`,
// which it advances. Text becomes ANSI. Throws std::runtime_error for a
// malformed list or one nested deeper than the host's parser accepts.
ParamPtr paramFromTokens(duk_context* ctx, duk_idx_t tokens, duk_uarridx_t& position);

// Pushes the script value of a bridge value (null pushes undefined). Raises
// a script error when out of memory: call it inside a protected call.
void pushParam(duk_context* ctx, const FlashExParam* value);

// The value of an answer's value XML (ANSI), as the bridge's parser reads it.
// The commonest answers, a string of plain ASCII text (no markup characters)
// or a lone true, false or null, are read here without starting the parser,
// which costs more than the rest of a call; everything else goes to it.
ParamPtr parseAnswer(std::string xml);

// The text of the string at index (UTF-8); "" for a value of another kind.
std::string stringAt(duk_context* ctx, duk_idx_t index);

// UTF-8 (script) <-> ANSI (bridge) text.
std::string utf8ToAnsi(std::string text);
std::string ansiToUtf8(const std::string& text);

// Escapes a name for an attribute of the invoke text, as the bridge escapes
// its value XML.
std::string escapeAttribute(const std::string& ansi);

}  // namespace player
