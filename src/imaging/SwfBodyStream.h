#pragma once
#include <windows.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads up to length bytes from the file's current position; fewer only at
// its end or on a read error.
size_t readFileUpTo(HANDLE file, void* buffer, size_t length);

// A movie's body (everything after its first 8 bytes) read in order from an
// open file, decompressed on the way for a "CWS" movie. It yields the bytes
// that are there: up to the end of the file, or as far as the zlib stream
// decompresses, whatever length the header declares. Nothing is held beyond
// one buffer of compressed input.
class SwfBodyStream {
public:
    // The file stands at offset 8 and stays open while the stream is used.
    SwfBodyStream(HANDLE file, bool compressed);
    ~SwfBodyStream();
    SwfBodyStream(const SwfBodyStream&) = delete;
    SwfBodyStream& operator=(const SwfBodyStream&) = delete;

    // Up to length bytes; fewer only where the body ends.
    size_t read(uint8_t* out, size_t length);
    // Passes over length bytes; false when the body ends first.
    bool skip(uint64_t length);

private:
    size_t inflateInto(uint8_t* out, size_t length);

    HANDLE file_;
    bool compressed_;
    z_stream zlib_{};
    bool inflating_ = false;  // the zlib stream is open and has not ended
    std::vector<uint8_t> input_;
};
