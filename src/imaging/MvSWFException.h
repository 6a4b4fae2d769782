#pragma once
#include <exception>
#include <string>

// A failure of the SWF file reader; what() is the message for the movie.
class MvSWFException : public std::exception {
public:
    explicit MvSWFException(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};
