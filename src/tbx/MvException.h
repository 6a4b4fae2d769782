#pragma once
#include <string>

#include "tbx/Error.h"

// The program's general failure: what() is the narrow message; the UTF-16
// form is kept for message boxes and automation.
class MvException : public tbx::Error {
public:
    explicit MvException(std::string message);
    const std::u16string& wideMessage() const { return wideMessage_; }

private:
    std::u16string wideMessage_;
};
