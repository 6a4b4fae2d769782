#pragma once

namespace player {

// The script world of a movie, built in JavaScript over a few natives (`n`)
// so that every argument coercion and every error happens inside the script
// engine. Evaluates to a function (natives, global).
extern const char* const kScriptPrelude;

}  // namespace player
