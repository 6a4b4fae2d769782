#pragma once
#include <string>

#include "FlashEx/FlashExParam.h"
#include "FlashEx/FlashExRequest.h"

// Reading a request's arguments by position. A missing argument fails with
// the index message, a mistyped one with "type error".
inline const std::string& stringArgument(const FlashExRequest& request, unsigned index) {
    return request.arguments.at(index)->getString();
}

// NUL-terminated text of a string argument; a null argument gives null.
inline const char* textArgument(const FlashExRequest& request, unsigned index) {
    return request.arguments.at(index)->getCString();
}

inline bool boolArgument(const FlashExRequest& request, unsigned index) {
    return request.arguments.at(index)->getBool();
}

// An optional trailing argument is present when the list is long enough.
inline bool optionalBoolArgument(const FlashExRequest& request, unsigned index, bool otherwise) {
    return request.arguments.size() > index ? boolArgument(request, index) : otherwise;
}

inline int intArgument(const FlashExRequest& request, unsigned index) { return request.arguments.at(index)->getInt(); }

inline int optionalIntArgument(const FlashExRequest& request, unsigned index, int otherwise) {
    return request.arguments.size() > index ? intArgument(request, index) : otherwise;
}
