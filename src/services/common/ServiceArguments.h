#pragma once
#include <string>

#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"

// Reading a request's arguments by position. A missing argument fails with
// the index message, a mistyped one with "type error".

// The argument at index, noted as the one being read so that a failure can
// name it.
inline const FlashExParam& argumentAt(const FlashExRequest& request, unsigned index) {
    request.argumentRead = static_cast<int>(index);
    return *request.arguments.at(index);
}
inline const std::string& stringArgument(const FlashExRequest& request, unsigned index) {
    return argumentAt(request, index).getString();
}

// NUL-terminated text of a string argument; a null argument gives null.
inline const char* textArgument(const FlashExRequest& request, unsigned index) {
    return argumentAt(request, index).getCString();
}

inline bool boolArgument(const FlashExRequest& request, unsigned index) {
    return argumentAt(request, index).getBool();
}

// An optional trailing argument is present when the list is long enough.
inline bool optionalBoolArgument(const FlashExRequest& request, unsigned index, bool otherwise) {
    return request.arguments.size() > index ? boolArgument(request, index) : otherwise;
}

inline void* pointerArgument(const FlashExRequest& request, unsigned index) {
    return argumentAt(request, index).getPointer();
}

// An array argument; a value of another kind fails with "type error".
inline const FlashExParamArray& arrayArgument(const FlashExRequest& request, unsigned index) {
    return *argumentAt(request, index).asArray();
}

inline int intArgument(const FlashExRequest& request, unsigned index) { return argumentAt(request, index).getInt(); }

// Flags and other 32-bit patterns: a number beyond the int range (the movie
// sends 0x80000000 as a double) keeps its low 32 bits instead of saturating.
inline unsigned uintArgument(const FlashExRequest& request, unsigned index) {
    return argumentAt(request, index).getUInt();
}

inline bool hasArgument(const FlashExRequest& request, unsigned index) { return request.arguments.size() > index; }

inline int optionalIntArgument(const FlashExRequest& request, unsigned index, int otherwise) {
    return hasArgument(request, index) ? intArgument(request, index) : otherwise;
}

// Also null when the argument is given as null.
inline const char* optionalTextArgument(const FlashExRequest& request, unsigned index, const char* otherwise) {
    return request.arguments.size() > index ? textArgument(request, index) : otherwise;
}
