#pragma once
#include <cstdint>
#include <string>

#include "tbx/Error.h"

namespace player {

// What the player takes from a movie file.
struct MovieData {
    int width = 550;   // pixels
    int height = 400;  // pixels
    double frameRate = 24;
    uint32_t backgroundColor = 0xFFFFFF;  // 0xRRGGBB
    std::string script;                   // UTF-8 JavaScript
    // The name of the file the script came from (UTF-8): what its errors and
    // the debugger's breakpoints name it by. From the movie's name tag (1001,
    // which mkswf writes); loadMovieFile falls back to the movie's file name.
    std::string scriptName;
};

class MovieError : public tbx::Error {
public:
    explicit MovieError(const std::string& message) : tbx::Error(message) {}
};

// A movie from the bytes of a SWF file: frame size and rate from the header,
// SetBackgroundColor (9), the script's name (1001) and the script tag (1000);
// other tags are skipped.
// Throws MovieError for a file that is not a readable SWF, or one that
// declares more than 256 MiB (as a compressed movie may, to be inflated).
MovieData parseSwf(const std::string& bytes);

// A movie from a file: "*.js" (any case) is a bare script on a white
// 550 x 400 stage, anything else a SWF file. A "file:" URL prefix and a
// "?query" suffix are removed first. Throws MovieError.
MovieData loadMovieFile(const std::u16string& location);

// The path part of a movie location (no "file:///" prefix, no "?query").
std::u16string moviePathOf(const std::u16string& location);
// The query part after the first "?" (empty when there is none).
std::u16string movieQueryOf(const std::u16string& location);

}  // namespace player
