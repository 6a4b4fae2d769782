#pragma once
#include <string>

#include "tbx/Error.h"

// The utility library's failure; what() is the message that reaches the movie.
class TbException : public tbx::Error {
public:
    explicit TbException(std::string message) : tbx::Error(std::move(message)) {}
};
