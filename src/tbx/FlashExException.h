#pragma once
#include <string>

#include "tbx/Error.h"

// A command failure. Its message reaches the movie as the "message" of the
// error object. Thrown by value, caught by reference.
class FlashExException : public tbx::Error {
public:
    explicit FlashExException(std::string message) : tbx::Error(std::move(message)) {}
    const std::string& getMessage() const { return message(); }
};
