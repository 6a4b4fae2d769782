#pragma once
#include <string>

#include "bridge/values/FlashExParam.h"

// A call between the movie and the host: command name, return type and the
// argument values, which the request owns.
struct FlashExRequest {
    std::string name;
    std::string returntype;  // kept, not used for dispatch
    FlashExParamArguments arguments;
    // The argument a service read last by position (from 0), or -1: says
    // which argument a failure over the arguments was about.
    mutable int argumentRead = -1;

    // Removes and destroys the first argument; FlashExException
    // "can not shift argument" when there is none.
    void shiftArgument();
    // Back to a new request: no name, no return type, no arguments.
    void reset();
};
