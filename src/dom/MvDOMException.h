#pragma once
#include <stdexcept>
#include <string>

// Failure of the document model or of its parser; what() is the message.
class MvDOMException : public std::runtime_error {
public:
    explicit MvDOMException(const std::string& message) : std::runtime_error(message) {}
};
