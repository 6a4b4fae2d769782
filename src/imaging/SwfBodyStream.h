#pragma once
#include <windows.h>
#include <lzma.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads up to length bytes from the file's current position; fewer only at
// its end or on a read error.
size_t readFileUpTo(HANDLE file, void* buffer, size_t length);

// How a movie's body is stored: as it is ("FWS"), zlib-compressed ("CWS") or
// LZMA-compressed ("ZWS").
enum class SwfCompression { None, Zlib, Lzma };

// A movie's body (everything after its first 8 bytes) read in order from an
// open file, decompressed on the way. It yields the bytes that are there: up
// to the end of the file, or as far as the compressed stream decompresses,
// whatever length the header declares. Nothing is held beyond one buffer of
// compressed input (and, for LZMA, its dictionary, at most 64 MB).
class SwfBodyStream {
public:
    // The file stands at offset 8 and stays open while the stream is used.
    SwfBodyStream(HANDLE file, SwfCompression compression);
    ~SwfBodyStream();
    SwfBodyStream(const SwfBodyStream&) = delete;
    SwfBodyStream& operator=(const SwfBodyStream&) = delete;

    // Up to length bytes; fewer only where the body ends.
    size_t read(uint8_t* out, size_t length);
    // Passes over length bytes; false when the body ends first.
    bool skip(uint64_t length);

private:
    void startLzma();
    // Fills the input buffer when it is used up; false at the end of the file.
    bool haveInput(const uint8_t*& next, size_t& available);
    size_t inflateInto(uint8_t* out, size_t length);
    size_t decodeLzmaInto(uint8_t* out, size_t length);

    HANDLE file_;
    SwfCompression compression_;
    z_stream zlib_{};
    lzma_stream lzma_ = LZMA_STREAM_INIT;
    bool decoding_ = false;  // the compressed stream is open and has not ended
    std::vector<uint8_t> input_;
};
