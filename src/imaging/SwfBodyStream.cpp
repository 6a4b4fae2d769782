#include "imaging/SwfBodyStream.h"

#include <algorithm>

namespace {

constexpr size_t kInputChunk = 16 * 1024;
// An LZMA movie's dictionary is taken at most this large: its decoder holds
// the whole dictionary, and a forged size must not make it take gigabytes.
// A movie that refers further back ends its body there.
constexpr uint32_t kLargestLzmaDictionary = 64u << 20;
constexpr uint64_t kLzmaMemoryLimit = 128u << 20;

}  // namespace

size_t readFileUpTo(HANDLE file, void* buffer, size_t length) {
    size_t total = 0;
    while (total < length) {
        DWORD got = 0;
        DWORD chunk = length - total > 0x40000000 ? 0x40000000 : (DWORD)(length - total);
        if (!ReadFile(file, static_cast<char*>(buffer) + total, chunk, &got, nullptr) || got == 0) break;
        total += got;
    }
    return total;
}

SwfBodyStream::SwfBodyStream(HANDLE file, SwfCompression compression) : file_(file), compression_(compression) {
    if (compression_ == SwfCompression::Zlib) {
        input_.resize(kInputChunk);
        decoding_ = inflateInit(&zlib_) == Z_OK;
    } else if (compression_ == SwfCompression::Lzma) {
        startLzma();
    }
}

SwfBodyStream::~SwfBodyStream() {
    if (compression_ == SwfCompression::Zlib) inflateEnd(&zlib_);
    if (compression_ == SwfCompression::Lzma) lzma_end(&lzma_);
}

// The body holds the compressed length (4 bytes, not needed) and the LZMA
// properties (5 bytes) before the data; the decoder of the ".lzma" format
// takes the properties followed by the uncompressed size (unknown here).
void SwfBodyStream::startLzma() {
    uint8_t head[9];
    if (readFileUpTo(file_, head, sizeof head) != sizeof head) return;
    uint32_t dictionary = head[5] | head[6] << 8 | head[7] << 16 | (uint32_t)head[8] << 24;
    dictionary = std::min(dictionary, kLargestLzmaDictionary);
    input_.assign(head + 4, head + 5);
    for (int shift = 0; shift < 32; shift += 8) input_.push_back(static_cast<uint8_t>(dictionary >> shift));
    input_.insert(input_.end(), 8, 0xFF);
    if (lzma_alone_decoder(&lzma_, kLzmaMemoryLimit) != LZMA_OK) return;
    decoding_ = true;
    lzma_.next_in = input_.data();
    lzma_.avail_in = input_.size();
}

size_t SwfBodyStream::read(uint8_t* out, size_t length) {
    switch (compression_) {
        case SwfCompression::Zlib:
            return inflateInto(out, length);
        case SwfCompression::Lzma:
            return decodeLzmaInto(out, length);
        default:
            return readFileUpTo(file_, out, length);
    }
}

bool SwfBodyStream::skip(uint64_t length) {
    uint8_t scratch[4096];
    while (length > 0) {
        size_t chunk = length < sizeof scratch ? (size_t)length : sizeof scratch;
        if (read(scratch, chunk) != chunk) return false;
        length -= chunk;
    }
    return true;
}

bool SwfBodyStream::haveInput(const uint8_t*& next, size_t& available) {
    if (available > 0) return true;
    input_.resize(kInputChunk);
    size_t got = readFileUpTo(file_, input_.data(), input_.size());
    next = input_.data();
    available = got;
    return got > 0;
}

// A data error, a dictionary request or the end of the compressed input ends
// the body where it stands: what was decompressed before counts.
size_t SwfBodyStream::inflateInto(uint8_t* out, size_t length) {
    size_t produced = 0;
    while (produced < length && decoding_) {
        const uint8_t* next = zlib_.next_in;
        size_t available = zlib_.avail_in;
        if (!haveInput(next, available)) break;
        zlib_.next_in = const_cast<Bytef*>(next);
        zlib_.avail_in = (uInt)available;
        zlib_.next_out = out + produced;
        zlib_.avail_out = (uInt)(length - produced);
        int result = inflate(&zlib_, Z_NO_FLUSH);
        produced = length - zlib_.avail_out;
        if (result != Z_OK) decoding_ = false;
    }
    return produced;
}

// The same for LZMA: an error, the end marker or the end of the file ends the body.
size_t SwfBodyStream::decodeLzmaInto(uint8_t* out, size_t length) {
    size_t produced = 0;
    while (produced < length && decoding_) {
        if (!haveInput(lzma_.next_in, lzma_.avail_in)) break;
        lzma_.next_out = out + produced;
        lzma_.avail_out = length - produced;
        lzma_ret result = lzma_code(&lzma_, LZMA_RUN);
        produced = length - lzma_.avail_out;
        if (result != LZMA_OK) decoding_ = false;
    }
    return produced;
}
