#pragma once
#include <string>

// A command failure. Its message reaches the movie as the "message" of the
// error object. Thrown by value, caught by reference.
class FlashExException {
public:
    explicit FlashExException(std::string message) : message_(std::move(message)) {}
    virtual ~FlashExException() = default;
    virtual const std::string& getMessage() const { return message_; }

private:
    std::string message_;
};
