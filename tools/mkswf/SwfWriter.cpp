#include "SwfWriter.h"

#include <zlib.h>

#include <cmath>

namespace {

const int kTwipsPerPixel = 20;
const int kScriptTag = 1000;
const int kScriptNameTag = 1001;

void putU16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void putU32(std::string& out, uint32_t value) {
    putU16(out, value & 0xFFFF);
    putU16(out, value >> 16);
}

// Bits are written from the most significant bit of each byte on.
class BitWriter {
public:
    void put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            current_ = static_cast<uint8_t>((current_ << 1) | ((value >> i) & 1));
            if (++used_ == 8) flush();
        }
    }
    std::string finish() {
        if (used_ > 0) {
            current_ = static_cast<uint8_t>(current_ << (8 - used_));
            flush();
        }
        return bytes_;
    }

private:
    void flush() {
        bytes_ += static_cast<char>(current_);
        current_ = 0;
        used_ = 0;
    }
    std::string bytes_;
    uint8_t current_ = 0;
    int used_ = 0;
};

int bitsFor(uint32_t value) {
    int bits = 1;
    while (bits < 31 && (value >> bits) != 0) ++bits;
    return bits;
}

// Frame rectangle 0, xmax, 0, ymax in twips; unsigned fields.
std::string rectangle(uint32_t xmax, uint32_t ymax) {
    int bits = bitsFor(xmax > ymax ? xmax : ymax) + 1;
    BitWriter writer;
    writer.put(static_cast<uint32_t>(bits), 5);
    writer.put(0, bits);
    writer.put(xmax, bits);
    writer.put(0, bits);
    writer.put(ymax, bits);
    return writer.finish();
}

void putTag(std::string& out, int code, const std::string& data) {
    out += swfTagHeader(code, static_cast<uint32_t>(data.size()));
    out += data;
}

std::string compress(const std::string& body) {
    uLongf size = compressBound(static_cast<uLong>(body.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(body.data()),
                  static_cast<uLong>(body.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw SwfWriteError("compression failed");
    out.resize(size);
    return out;
}

}  // namespace

std::string swfTagHeader(int code, uint32_t length) {
    std::string out;
    if (length < 0x3F) {
        putU16(out, static_cast<uint32_t>(code << 6) | length);
    } else {
        putU16(out, static_cast<uint32_t>(code << 6) | 0x3F);
        putU32(out, length);
    }
    return out;
}

std::string buildSwf(const SwfOptions& options, const std::string& script) {
    if (options.width < 0 || options.height < 0 || options.width > 0xFFFFFF / kTwipsPerPixel ||
        options.height > 0xFFFFFF / kTwipsPerPixel)
        throw SwfWriteError("frame size out of range");
    if (!(options.frameRate >= 0 && options.frameRate < 256)) throw SwfWriteError("frame rate out of range");
    if (options.backgroundColor > 0xFFFFFF) throw SwfWriteError("background colour out of range");

    std::string body = rectangle(static_cast<uint32_t>(options.width * kTwipsPerPixel),
                                 static_cast<uint32_t>(options.height * kTwipsPerPixel));
    // 8.8 fixed point, fraction byte first.
    uint32_t rate = static_cast<uint32_t>(std::lround(options.frameRate * 256.0));
    if (rate > 0xFFFF) rate = 0xFFFF;
    putU16(body, rate);
    putU16(body, options.frameCount);

    if (options.fileAttributes) {
        std::string flags;
        putU32(flags, options.actionScript3 ? 0x08 : 0x00);
        putTag(body, 69, flags);
    }
    std::string colour;
    colour += static_cast<char>((options.backgroundColor >> 16) & 0xFF);
    colour += static_cast<char>((options.backgroundColor >> 8) & 0xFF);
    colour += static_cast<char>(options.backgroundColor & 0xFF);
    putTag(body, 9, colour);
    if (options.script && !options.scriptName.empty()) putTag(body, kScriptNameTag, options.scriptName);
    if (options.script) putTag(body, kScriptTag, script);
    putTag(body, 1, "");  // ShowFrame
    putTag(body, 0, "");  // End

    std::string out = options.compressed ? "CWS" : "FWS";
    out += static_cast<char>(options.version);
    putU32(out, static_cast<uint32_t>(body.size() + 8));
    out += options.compressed ? compress(body) : body;
    return out;
}
