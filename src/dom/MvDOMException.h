#pragma once
#include <string>

#include "tbx/Error.h"

// Failure of the document model or of its parser; what() is the message.
class MvDOMException : public tbx::Error {
public:
    explicit MvDOMException(const std::string& message) : tbx::Error(message) {}
};
