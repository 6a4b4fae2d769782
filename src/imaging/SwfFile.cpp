#include "imaging/SwfFile.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "imaging/SwfBodyStream.h"
#include "tbx/Handles.h"

namespace {

const char kCannotOpen[] = "ファイルを開けませんでした。";
const char kBadFormat[] = "SWFファイルの形式が正しく無いか、対応していないバージョンです。";
const char kReadError[] = "SWFファイルを読み中にエラーが発生しました。";
const char kInflateError[] = "SWFファイルの解凍に失敗しました。";
const char kBeyondEnd[] = "ファイルサイズを超えて読み込もうとしました。";

constexpr size_t kHeaderOnlyLimit = 1024;
constexpr unsigned kFileAttributesTag = 69;
constexpr uint8_t kAs3Flag = 0x08;
// Deflate cannot expand data more than about 1,032-fold, so a compressed
// movie whose declared length exceeds that much of its compressed size (plus
// a margin) is not honest; refusing it keeps a forged length from making the
// reader allocate gigabytes. A plain movie's body must be on disk in full.
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kInflateMargin = 1024;

// Where a movie's bytes come from: an open file or a block of memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to length bytes from the current position; fewer only at the end.
    virtual size_t read(void* buffer, size_t length) = 0;
    virtual uint64_t size() = 0;
};

class FileSource : public ByteSource {
public:
    explicit FileSource(HANDLE file) : file_(file) {}
    size_t read(void* buffer, size_t length) override { return readFileUpTo(file_, buffer, length); }
    uint64_t size() override {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file_, &size)) throw MvSWFException(kReadError);
        return (uint64_t)size.QuadPart;
    }

private:
    HANDLE file_;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(const std::string& bytes) : bytes_(bytes) {}
    size_t read(void* buffer, size_t length) override {
        size_t count = std::min(length, bytes_.size() - position_);
        memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        return count;
    }
    uint64_t size() override { return bytes_.size(); }

private:
    const std::string& bytes_;
    size_t position_ = 0;
};

void readExactly(ByteSource& source, void* buffer, size_t length) {
    if (source.read(buffer, length) != length) throw MvSWFException(kReadError);
}

uint32_t littleEndian32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

// Most significant bit first, as the frame rectangle is stored.
class BitReader {
public:
    explicit BitReader(const uint8_t* data) : data_(data) {}
    uint32_t read(int bits) {
        uint32_t value = 0;
        for (int i = 0; i < bits; ++i, ++position_) {
            value = value << 1 | ((data_[position_ / 8] >> (7 - position_ % 8)) & 1);
        }
        return value;
    }

private:
    const uint8_t* data_;
    size_t position_ = 0;
};

void inflateAll(const std::vector<uint8_t>& compressed, std::vector<uint8_t>& body) {
    uLongf produced = body.size();
    int result = uncompress(body.data(), &produced, compressed.data(), compressed.size());
    if (result != Z_OK || produced != body.size()) throw MvSWFException(kInflateError);
}

// Decompresses only as much as fits the body; running out of output or input
// is success here, and the body keeps what was produced.
void inflatePrefix(std::vector<uint8_t>& compressed, std::vector<uint8_t>& body) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) throw MvSWFException(kInflateError);
    stream.next_in = compressed.data();
    stream.avail_in = (uInt)compressed.size();
    stream.next_out = body.data();
    stream.avail_out = (uInt)body.size();
    int result = inflate(&stream, Z_SYNC_FLUSH);
    size_t produced = stream.total_out;
    inflateEnd(&stream);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) throw MvSWFException(kInflateError);
    body.resize(produced);
}

void parseFrameHeader(SwfFile& swf) {
    const std::vector<uint8_t>& body = swf.body;
    if (body.empty()) throw MvSWFException(kBeyondEnd);
    int bits = body[0] >> 3;
    size_t rectBytes = (5 + 4 * (size_t)bits + 7) / 8;
    if (rectBytes + 4 > body.size()) throw MvSWFException(kBeyondEnd);
    BitReader reader(body.data());
    reader.read(5);
    SwfHeader& h = swf.header;
    h.rectBits = bits;
    h.xmin = (int32_t)reader.read(bits);
    h.xmax = (int32_t)reader.read(bits);
    h.ymin = (int32_t)reader.read(bits);
    h.ymax = (int32_t)reader.read(bits);
    if (h.xmax < h.xmin) std::swap(h.xmin, h.xmax);
    if (h.ymax < h.ymin) std::swap(h.ymin, h.ymax);
    h.frameRateFraction = body[rectBytes];
    h.frameRateInteger = body[rectBytes + 1];
    h.frameCount = (uint16_t)(body[rectBytes + 2] | body[rectBytes + 3] << 8);
    swf.tagCursor = rectBytes + 4;
}

// Walks the tags after the frame header to the first file-attributes tag.
// The declared length plays no part: a movie whose header claims more (or
// less) than its data is judged by the tags that are there, so a forged
// length cannot hide an ActionScript 3 movie.
bool firstAttributesTagSaysAs3(SwfBodyStream& body) {
    uint8_t first = 0;
    if (body.read(&first, 1) != 1) return false;
    size_t rectBytes = (5 + 4 * (size_t)(first >> 3) + 7) / 8;
    if (!body.skip(rectBytes - 1 + 4)) return false;  // the rest of the rectangle, rate and count
    for (;;) {
        uint8_t header[4];
        if (body.read(header, 2) != 2) return false;
        unsigned code = (header[0] | header[1] << 8) >> 6;
        uint32_t length = header[0] & 0x3F;
        if (length == 0x3F) {
            if (body.read(header, 4) != 4) return false;
            length = littleEndian32(header);
        }
        if (code == kFileAttributesTag) {
            uint8_t flags = 0;
            return length > 0 && body.read(&flags, 1) == 1 && (flags & kAs3Flag) != 0;
        }
        if (!body.skip(length)) return false;
    }
}

// The reader proper, over the bytes of a file or of memory.
SwfFile readSwf(ByteSource& source, bool headerOnly) {
    SwfFile swf;
    SwfHeader& h = swf.header;
    uint8_t head[8];
    if (source.read(head, 3) != 3) throw MvSWFException(kBadFormat);
    if (memcmp(head, "CWS", 3) == 0)
        h.compressed = true;
    else if (memcmp(head, "FWS", 3) != 0)
        throw MvSWFException(kBadFormat);
    memcpy(h.signature, head, 3);
    readExactly(source, head + 3, 5);
    h.version = head[3];
    h.fileLength = littleEndian32(head + 4);
    if (h.fileLength < 8) throw MvSWFException(kBadFormat);

    uint64_t onDisk = source.size() - 8;
    uint64_t bodyLength = h.fileLength - 8;
    if (headerOnly && bodyLength > kHeaderOnlyLimit) bodyLength = kHeaderOnlyLimit;

    if (!h.compressed) {
        if (bodyLength > onDisk) throw MvSWFException(kReadError);
        swf.body.resize(bodyLength);
        readExactly(source, swf.body.data(), swf.body.size());
    } else {
        uint64_t compressedLength = headerOnly && onDisk > kHeaderOnlyLimit ? kHeaderOnlyLimit : onDisk;
        if (!headerOnly && bodyLength > compressedLength * kMaxInflateRatio + kInflateMargin)
            throw MvSWFException(kInflateError);
        std::vector<uint8_t> compressed(compressedLength);
        readExactly(source, compressed.data(), compressed.size());
        swf.body.resize(bodyLength);
        if (headerOnly)
            inflatePrefix(compressed, swf.body);
        else
            inflateAll(compressed, swf.body);
    }
    parseFrameHeader(swf);
    swf.hasTagCursor = !headerOnly;
    if (headerOnly) swf.tagCursor = 0;
    return swf;
}

}  // namespace

SwfFile readSwfFile(const std::string& path, bool headerOnly) {
    tbx::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw MvSWFException(kCannotOpen);
    FileSource source(file.get());
    return readSwf(source, headerOnly);
}

SwfFile readSwfFile(const std::u16string& path, bool headerOnly) {
    tbx::FileHandle file(CreateFileW(reinterpret_cast<LPCWSTR>(path.c_str()), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                     nullptr));
    if (!file) throw MvSWFException(kCannotOpen);
    FileSource source(file.get());
    return readSwf(source, headerOnly);
}

SwfFile readSwfBytes(const std::string& bytes, bool headerOnly) {
    MemorySource source(bytes);
    return readSwf(source, headerOnly);
}

bool SwfFile::nextTag(SwfTag& tag) {
    if (!hasTagCursor || tagCursor == body.size()) return false;
    if (tagCursor > body.size() || body.size() - tagCursor < 2) throw MvSWFException(kBeyondEnd);
    const uint8_t* p = body.data() + tagCursor;
    uint16_t h = (uint16_t)(p[0] | p[1] << 8);
    size_t position = tagCursor + 2;
    uint32_t length = h & 0x3F;
    if (length == 0x3F) {
        if (body.size() - position < 4) throw MvSWFException(kBeyondEnd);
        length = littleEndian32(body.data() + position);
        position += 4;
    }
    if (body.size() - position < length) throw MvSWFException(kBeyondEnd);
    tag.code = h >> 6;
    tag.length = length;
    tag.data = body.data() + position;
    tagCursor = position + length;
    return true;
}

bool isSwf(const std::string& path) {
    tbx::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char signature[3];
    if (readFileUpTo(file.get(), signature, 3) != 3) return false;
    return memcmp(signature, "FWS", 3) == 0 || memcmp(signature, "CWS", 3) == 0;
}

bool isAs3Swf(const std::string& path) {
    try {
        tbx::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        uint8_t head[8];
        if (readFileUpTo(file.get(), head, sizeof head) != sizeof head) return false;
        SwfCompression compression = memcmp(head, "CWS", 3) == 0   ? SwfCompression::Zlib
                                     : memcmp(head, "ZWS", 3) == 0 ? SwfCompression::Lzma
                                                                   : SwfCompression::None;
        if (compression == SwfCompression::None && memcmp(head, "FWS", 3) != 0) return false;
        SwfBodyStream body(file.get(), compression);
        return firstAttributesTagSaysAs3(body);
    } catch (...) {
        return false;
    }
}
