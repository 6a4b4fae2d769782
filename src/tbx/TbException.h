#pragma once
#include <stdexcept>
#include <string>

// The utility library's failure: a standard exception whose what() is the
// message that reaches the movie.
class TbException : public std::exception {
public:
    explicit TbException(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const { return message_; }

private:
    std::string message_;
};
