#pragma once
#include <string>

#include "tbx/MvException.h"

// A failure of the SWF file reader: one of the program's own failures, so the
// code that measures and renders movies receives it as such; what() is the
// message for the movie.
class MvSWFException : public MvException {
public:
    explicit MvSWFException(const std::string& message) : MvException(message) {}
};
