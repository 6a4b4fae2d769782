#pragma once
#include <windows.h>

#include <string>

namespace fw {

// A failed automation call on a hosted control. Deliberately not a standard
// exception: callers that answer standard exceptions with their text treat
// this one as an unexpected failure.
class AutomationException {
public:
    AutomationException(HRESULT result, std::string description)
        : result_(result), description_(std::move(description)) {}
    HRESULT result() const { return result_; }
    // The control's own description (ANSI code page), or a generic text.
    const std::string& description() const { return description_; }

private:
    HRESULT result_;
    std::string description_;
};

}  // namespace fw
