#pragma once
#include <string>

// What a boundary (the movie's external call, the script engine, a window
// procedure, a COM method, the start-up) may say about the exception it is
// handling. The system's own exceptions and standard ones are expected and
// carry their message. A system failure whose text is not for the movie is
// unexpected but keeps its message for traces; anything else says nothing.
struct CaughtError {
    bool expected = false;
    std::string message;

    // The message, or the boundary's fixed text for an unexpected failure.
    const std::string& textOr(const std::string& unexpectedText) const { return expected ? message : unexpectedText; }
};

// Call only inside a catch block: rethrows the exception being handled and
// sorts it. Never throws.
CaughtError caughtError() noexcept;

// The text the movie gets in its error object for the exception being handled.
std::string movieErrorText() noexcept;
