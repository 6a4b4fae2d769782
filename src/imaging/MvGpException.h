#pragma once
#include <string>

#include "tbx/Error.h"

// A GDI+ failure: either a GDI+ status, reported as "MvGpException error
// code:N", or a fixed text such as "codec not found". what() is the message
// that reaches the movie.
class MvGpException : public tbx::Error {
public:
    // A fixed text; null gives "Unknown exception".
    explicit MvGpException(const char* fixedText = nullptr);
    // A GDI+ status code.
    explicit MvGpException(int statusCode);

    // The GDI+ status, or -1 when the exception carries a fixed text.
    int code() const noexcept { return code_; }

private:
    int code_;
};
