#pragma once

namespace player {

// The script world of a movie, built in JavaScript over a few natives (`n`)
// so that every argument coercion and every error happens inside the script
// engine. Evaluates to a function (natives, global). What a movie sees:
//
//   ExternalInterface.available                true
//   ExternalInterface.call(name, ...args)      raises FlashCall; returns the
//       value the host set with SetReturnValue, or undefined; throws Error
//       when the host's value cannot be read
//   ExternalInterface.addCallback(name, fn)    CallFunction of `name` calls fn
//   fscommand(command, args)                   raises FSCommand (missing = "")
//   trace(...values)                           String(v) joined by " ", one
//                                              UTF-8 line on standard output
//   console.log/info/warn/error(...values)     like trace, after "", "info: ",
//       "warning: ", "error: "; objects as JSON, errors with their stack
//   console.assert(condition, ...values)       "error: assertion failed: ..."
//   console.time(label), console.timeEnd(label) "LABEL: N ms"
//   console.trace(...values)                   "trace: ..." and the stack
//   Duktape.fin(object, fn)                    as Duktape's, but an error
//       of fn is reported as a script error
//   setTimeout/setInterval(fn, ms, ...args), clearTimeout/clearInterval(id)
//   flashVars                                  {name: text} of the query
//   stage.width, stage.height, stage.frameRate (read only)
//   stage.backgroundColor                      0xRRGGBB, writable
//   graphics (also stage.graphics): clear(), fillRect(x, y, w, h, rgb),
//       drawText(x, y, text, rgb, size = 12)
//   Key.setAcceleratorHandler(fn or null)      fn(keyCode, type, modifiers)
//       sees each keyboard message the host offers the control ("keyDown",
//       "keyUp", "sysKeyDown", "sysKeyUp", "char", "sysChar"; modifiers
//       Ctrl 1 + Shift 2 + Alt 4); returning true consumes the key
extern const char* const kScriptPrelude;

}  // namespace player
