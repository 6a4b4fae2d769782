#pragma once
#include <string>

// Compiles a movie's script (UTF-8) without running it, as the stand-in
// player will. Empty when it compiles; otherwise "NAME:LINE: the error".
std::string scriptSyntaxError(const std::string& script, const std::string& name);
