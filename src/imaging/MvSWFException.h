#pragma once
#include <stdexcept>
#include <string>

// A failure of the SWF file reader; what() is the message for the movie.
class MvSWFException : public std::runtime_error {
public:
    explicit MvSWFException(const std::string& message) : std::runtime_error(message) {}
};
