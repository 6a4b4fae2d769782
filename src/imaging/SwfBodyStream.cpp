#include "imaging/SwfBodyStream.h"

namespace {

constexpr size_t kInputChunk = 16 * 1024;

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

SwfBodyStream::SwfBodyStream(HANDLE file, bool compressed) : file_(file), compressed_(compressed) {
    if (compressed_) {
        input_.resize(kInputChunk);
        inflating_ = inflateInit(&zlib_) == Z_OK;
    }
}

SwfBodyStream::~SwfBodyStream() {
    if (compressed_) inflateEnd(&zlib_);
}

size_t SwfBodyStream::read(uint8_t* out, size_t length) {
    return compressed_ ? inflateInto(out, length) : readFileUpTo(file_, out, length);
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

// A data error, a dictionary request or the end of the compressed input ends
// the body where it stands: what was decompressed before counts.
size_t SwfBodyStream::inflateInto(uint8_t* out, size_t length) {
    size_t produced = 0;
    while (produced < length && inflating_) {
        if (zlib_.avail_in == 0) {
            size_t got = readFileUpTo(file_, input_.data(), input_.size());
            if (got == 0) break;
            zlib_.next_in = input_.data();
            zlib_.avail_in = (uInt)got;
        }
        zlib_.next_out = out + produced;
        zlib_.avail_out = (uInt)(length - produced);
        int result = inflate(&zlib_, Z_NO_FLUSH);
        produced = length - zlib_.avail_out;
        if (result != Z_OK) inflating_ = false;
    }
    return produced;
}
