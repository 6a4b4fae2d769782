#pragma once
#include <stdexcept>
#include <string>

// The program's general failure: a standard exception whose what() is the
// narrow message; the UTF-16 form is kept for message boxes and automation.
class MvException : public std::exception {
public:
    explicit MvException(std::string message);
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const { return message_; }
    const std::u16string& wideMessage() const { return wideMessage_; }

private:
    std::u16string wideMessage_;
    std::string message_;
};
