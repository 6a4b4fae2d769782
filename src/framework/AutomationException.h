#pragma once
#include <windows.h>

#include <string>

#include "tbx/Error.h"

namespace fw {

// A failed automation call on a hosted control. Its text is not for the
// movie: the boundaries treat it as an unexpected failure.
class AutomationException : public tbx::Error {
public:
    AutomationException(HRESULT result, std::string description)
        : tbx::Error(std::move(description), false), result_(result) {}
    HRESULT result() const { return result_; }
    // The control's own description (ANSI code page), or a generic text.
    const std::string& description() const { return message(); }

private:
    HRESULT result_;
};

}  // namespace fw
