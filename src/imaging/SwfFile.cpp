#include "imaging/SwfFile.h"

#include <windows.h>
#include <zlib.h>

#include <cstring>

#include "tbx/Handles.h"

namespace {

const char kCannotOpen[] = "ファイルを開けませんでした。";
const char kBadFormat[] = "SWFファイルの形式が正しく無いか、対応していないバージョンです。";
const char kReadError[] = "SWFファイルを読み中にエラーが発生しました。";
const char kInflateError[] = "SWFファイルの解凍に失敗しました。";
const char kBeyondEnd[] = "ファイルサイズを超えて読み込もうとしました。";

constexpr size_t kHeaderOnlyLimit = 1024;
// Deflate cannot expand data more than about 1,032-fold, so a compressed
// movie whose declared length exceeds that much of its compressed size (plus
// a margin) is not honest; refusing it keeps a forged length from making the
// reader allocate gigabytes. A plain movie's body must be on disk in full.
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kInflateMargin = 1024;

size_t readUpTo(HANDLE file, void* buffer, size_t length) {
    size_t total = 0;
    while (total < length) {
        DWORD got = 0;
        if (!ReadFile(file, static_cast<char*>(buffer) + total, (DWORD)(length - total), &got, nullptr) || got == 0)
            break;
        total += got;
    }
    return total;
}

void readExactly(HANDLE file, void* buffer, size_t length) {
    if (readUpTo(file, buffer, length) != length) throw MvSWFException(kReadError);
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

}  // namespace

SwfFile readSwfFile(const std::string& path, bool headerOnly) {
    tbx::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw MvSWFException(kCannotOpen);
    SwfFile swf;
    SwfHeader& h = swf.header;
    uint8_t head[8];
    if (readUpTo(file.get(), head, 3) != 3) throw MvSWFException(kBadFormat);
    if (memcmp(head, "CWS", 3) == 0)
        h.compressed = true;
    else if (memcmp(head, "FWS", 3) != 0)
        throw MvSWFException(kBadFormat);
    memcpy(h.signature, head, 3);
    readExactly(file.get(), head + 3, 5);
    h.version = head[3];
    h.fileLength = littleEndian32(head + 4);
    if (h.fileLength < 8) throw MvSWFException(kBadFormat);

    LARGE_INTEGER diskSize;
    if (!GetFileSizeEx(file.get(), &diskSize)) throw MvSWFException(kReadError);
    uint64_t onDisk = (uint64_t)diskSize.QuadPart - 8;
    uint64_t bodyLength = h.fileLength - 8;
    if (headerOnly && bodyLength > kHeaderOnlyLimit) bodyLength = kHeaderOnlyLimit;

    if (!h.compressed) {
        if (bodyLength > onDisk) throw MvSWFException(kReadError);
        swf.body.resize(bodyLength);
        readExactly(file.get(), swf.body.data(), swf.body.size());
    } else {
        uint64_t compressedLength = headerOnly && onDisk > kHeaderOnlyLimit ? kHeaderOnlyLimit : onDisk;
        if (!headerOnly && bodyLength > compressedLength * kMaxInflateRatio + kInflateMargin)
            throw MvSWFException(kInflateError);
        std::vector<uint8_t> compressed(compressedLength);
        readExactly(file.get(), compressed.data(), compressed.size());
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
    if (readUpTo(file.get(), signature, 3) != 3) return false;
    return memcmp(signature, "FWS", 3) == 0 || memcmp(signature, "CWS", 3) == 0;
}

bool isAs3Swf(const std::string& path) {
    try {
        SwfFile swf = readSwfFile(path, false);
        SwfTag tag;
        while (swf.nextTag(tag)) {
            if (tag.code == 69) return tag.length > 0 && (tag.data[0] & 0x08) != 0;
        }
        return false;
    } catch (...) {
        return false;
    }
}
