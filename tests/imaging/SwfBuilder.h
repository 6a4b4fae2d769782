#pragma once
#include <lzma.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

// Builds SWF movies byte by byte for tests: frame rectangle, rate, count and
// tags, plain ("FWS"), zlib-compressed ("CWS") or LZMA-compressed ("ZWS").
namespace swf_test {

inline std::string le16(unsigned v) { return std::string{(char)(v & 0xFF), (char)((v >> 8) & 0xFF)}; }
inline std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// Five bits of field width, then the four values, most significant bit first.
inline std::string rect(int bits, uint32_t xmin, uint32_t xmax, uint32_t ymin, uint32_t ymax) {
    std::vector<int> stream;
    auto put = [&](uint32_t value, int width) {
        for (int i = width - 1; i >= 0; --i) stream.push_back((value >> i) & 1);
    };
    put(bits, 5);
    for (uint32_t v : {xmin, xmax, ymin, ymax}) put(v, bits);
    std::string out((stream.size() + 7) / 8, '\0');
    for (size_t i = 0; i < stream.size(); ++i)
        if (stream[i]) out[i / 8] |= (char)(0x80 >> (i % 8));
    return out;
}

inline std::string tag(unsigned code, const std::string& data, bool longForm = false) {
    if (!longForm && data.size() < 0x3F) return le16(code << 6 | (unsigned)data.size()) + data;
    return le16(code << 6 | 0x3F) + le32((uint32_t)data.size()) + data;
}

inline std::string fileAttributes(bool as3) { return tag(69, std::string{(char)(as3 ? 0x08 : 0x00), 0, 0, 0}); }
inline std::string endTag() { return tag(0, ""); }

// Frame rectangle 0..11000 x 0..8000 twips, 24.5 fps, 3 frames.
inline std::string standardBody(const std::string& tags) {
    return rect(15, 0, 11000, 0, 8000) + std::string{(char)0x80, 24} + le16(3) + tags;
}

inline std::string compress(const std::string& bytes) {
    uLongf length = compressBound(bytes.size());
    std::string out(length, '\0');
    ::compress2((Bytef*)&out[0], &length, (const Bytef*)bytes.data(), bytes.size(), 9);
    out.resize(length);
    return out;
}

// declaredLength 0 means the honest length (body + 8).
inline std::string movie(const std::string& body, bool compressed, uint8_t version = 10, uint32_t declaredLength = 0) {
    uint32_t length = declaredLength ? declaredLength : (uint32_t)(body.size() + 8);
    std::string head = std::string(compressed ? "CWS" : "FWS") + (char)version + le32(length);
    return head + (compressed ? compress(body) : body);
}

// An LZMA movie's body: the compressed length, the five bytes of LZMA
// properties, the LZMA data (the ".lzma" format without its size field).
inline std::string lzmaMovie(const std::string& body) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    lzma_stream stream = LZMA_STREAM_INIT;
    lzma_alone_encoder(&stream, &options);
    std::string out(body.size() + body.size() / 2 + 1024, '\0');
    stream.next_in = reinterpret_cast<const uint8_t*>(body.data());
    stream.avail_in = body.size();
    stream.next_out = reinterpret_cast<uint8_t*>(&out[0]);
    stream.avail_out = out.size();
    lzma_code(&stream, LZMA_FINISH);
    out.resize(out.size() - stream.avail_out);
    lzma_end(&stream);
    std::string data = out.substr(13);
    return "ZWS" + std::string(1, (char)13) + le32((uint32_t)(body.size() + 8)) + le32((uint32_t)data.size()) +
           out.substr(0, 5) + data;
}

}  // namespace swf_test
