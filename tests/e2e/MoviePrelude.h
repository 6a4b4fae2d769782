#pragma once
#include <string>

namespace e2e {

// Script helpers that test movies start with: show(v) writes any value as
// JSON, call(name, ...) calls the host and traces nothing, and report(label,
// name, ...) traces "label JSON-of-the-answer".
inline std::string withPrelude(const std::string& script) {
    return R"JS(
function show(v) { return v === undefined ? "undefined" : JSON.stringify(v); }
function call(name, a, b, c, d) {
  switch (arguments.length) {
    case 1: return ExternalInterface.call(name);
    case 2: return ExternalInterface.call(name, a);
    case 3: return ExternalInterface.call(name, a, b);
    case 4: return ExternalInterface.call(name, a, b, c);
    default: return ExternalInterface.call(name, a, b, c, d);
  }
}
function report(label) {
  var args = Array.prototype.slice.call(arguments, 1);
  trace(label + " " + show(call.apply(null, args)));
}
)JS" + script;
}

}  // namespace e2e
