#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/MvSWFException.h"

struct SwfHeader {
    char signature[3] = {};
    uint8_t version = 0;
    uint32_t fileLength = 0;
    int32_t rectBits = 0;
    int32_t xmin = 0;
    int32_t xmax = 0;
    int32_t ymin = 0;
    int32_t ymax = 0;
    uint8_t frameRateFraction = 0;
    uint8_t frameRateInteger = 0;
    uint16_t frameCount = 0;
    bool compressed = false;
};

struct SwfTag {
    uint16_t code = 0;
    uint32_t length = 0;
    const uint8_t* data = nullptr;
};

// A movie's header and its (decompressed) body after the first 8 bytes. The
// tag cursor is an offset into the body; a header-only read has none.
struct SwfFile {
    SwfHeader header;
    std::vector<uint8_t> body;
    bool hasTagCursor = false;
    size_t tagCursor = 0;

    // The tag at the cursor, moving the cursor past it. False when the cursor
    // stands at the end of the body; throws MvSWFException when a tag header
    // or a tag's data would run past the end.
    bool nextTag(SwfTag& tag);
};

// Reads the header (header only: at most 1,024 body bytes, decompressing only
// a prefix of a compressed movie) or the whole movie. Throws MvSWFException.
SwfFile readSwfFile(const std::string& path, bool headerOnly);
// The same for a path in UTF-16 (the player's movie locations).
SwfFile readSwfFile(const std::u16string& path, bool headerOnly);
// The same for the bytes of a whole movie file held in memory.
SwfFile readSwfBytes(const std::string& bytes, bool headerOnly);

// Whether the file starts with "FWS" or "CWS"; false when it cannot be read.
bool isSwf(const std::string& path);

// Whether the movie's first file-attributes tag has the ActionScript 3 flag,
// judged on the tags as far as the file holds them (as far as a compressed
// movie, zlib's "CWS" or LZMA's "ZWS", decompresses), whatever length its
// header declares; false for a file that is no movie or has no such tag.
bool isAs3Swf(const std::string& path);
