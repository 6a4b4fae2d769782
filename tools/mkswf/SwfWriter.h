#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

// What a movie file made by mkswf holds: a header with the frame size and
// rate, then the tags FileAttributes (69, optional), SetBackgroundColor (9),
// the script's file name (1001, UTF-8, when given), the script tag (1000,
// the script as UTF-8), ShowFrame and End.
struct SwfOptions {
    int width = 550;   // pixels
    int height = 400;  // pixels
    double frameRate = 24.0;
    uint16_t frameCount = 1;
    uint8_t version = 10;
    uint32_t backgroundColor = 0xFFFFFF;  // 0xRRGGBB
    bool fileAttributes = true;           // write a FileAttributes tag
    bool actionScript3 = false;           // its ActionScript 3 flag
    bool compressed = false;              // "CWS" (zlib) instead of "FWS"
    bool script = true;                   // write the script tag
    // The name of the file the script came from: errors and the debugger name
    // the script by it. Empty: no name tag (the player names it after the movie).
    std::string scriptName;
};

class SwfWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of the movie file. Throws SwfWriteError for options out of range.
std::string buildSwf(const SwfOptions& options, const std::string& script);

// The tag header for code and length (short form up to 62 bytes).
std::string swfTagHeader(int code, uint32_t length);
