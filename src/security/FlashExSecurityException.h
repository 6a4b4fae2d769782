#pragma once
#include "tbx/FlashExException.h"

#include <string>

// A refused file access; raised by the security policy with the message
// "file access exception". The movie gets only that; the explanation (the
// access, the path as judged and what decided) is for the trace output.
class FlashExSecurityException : public FlashExException {
public:
    explicit FlashExSecurityException(std::string message, std::string explanation = std::string())
        : FlashExException(std::move(message)), explanation_(std::move(explanation)) {}
    std::string explanation() const override { return explanation_; }

private:
    std::string explanation_;
};
