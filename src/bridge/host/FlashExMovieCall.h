#pragma once
#include <string>
#include <vector>

#include "bridge/values/FlashExParam.h"

class CShockwaveflash1;

// The argument list of a call, from values that cannot be copied.
template <typename... Values>
std::vector<ParamPtr> makeArguments(Values&&... values) {
    std::vector<ParamPtr> arguments;
    (arguments.push_back(std::forward<Values>(values)), ...);
    return arguments;
}

// Calls the movie function name through the player's CallFunction with the
// argument values (an empty one is sent as null). Returns the movie's answer,
// or empty for none. Failures of the call or of parsing the answer reach the caller.
ParamPtr callMovieFunction(CShockwaveflash1& player, const std::string& name, std::vector<ParamPtr> arguments = {});
