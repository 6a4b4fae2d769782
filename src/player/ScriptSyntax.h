#pragma once
#include <duktape.h>

#include <string>

namespace player {

// Where and why a script does not compile, as the engine saw it.
struct SyntaxProblem {
    std::string message;  // "SyntaxError: parse error", UTF-8
    long line = 0;        // 0: unknown
    long column = 0;
    // Plain words about syntax of a later edition than ES5.1, which the
    // engine does not know, found in the script up to the failing line;
    // empty when there is none.
    std::string hint;

    // "FILE:LINE:COLUMN" (or "FILE:LINE", or "FILE" alone).
    std::string place(const std::string& file) const;
};

// The compile error on top of ctx's stack for source, read apart.
SyntaxProblem syntaxProblemOf(duk_context* ctx, const std::string& source);

// The first syntax of a later edition (arrow functions, template strings,
// classes, let, default and rest parameters, spread, destructuring, for ... of)
// that source uses on or before line, in plain words with what to write
// instead; empty when it uses none there.
std::string laterSyntaxHint(const std::string& source, long line);

// Compiles a movie's script (UTF-8) without running it, as the player does.
// Empty when it compiles; otherwise "NAME:LINE:COLUMN: the error", and for
// syntax of a later edition a second line "NAME:LINE:COLUMN: hint: ...".
std::string scriptSyntaxError(const std::string& script, const std::string& name);

// Where the player's documentation explains the script world's edition.
extern const char* const kLaterSyntaxDocs;

}  // namespace player
