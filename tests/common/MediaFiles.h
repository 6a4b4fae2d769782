#pragma once
#include <cstdint>
#include <string>

namespace movara_test {

// A WAVE file of silence: 8-bit mono PCM at 8000 samples a second.
inline std::string silentWave(unsigned milliseconds) {
    const uint32_t rate = 8000;
    uint32_t samples = rate * milliseconds / 1000;
    auto le = [](uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
        return out;
    };
    std::string wave = "RIFF" + le(36 + samples, 4) + "WAVEfmt " + le(16, 4);
    wave += le(1, 2) + le(1, 2) + le(rate, 4) + le(rate, 4) + le(1, 2) + le(8, 2);  // PCM, mono, 1 byte a sample
    wave += "data" + le(samples, 4) + std::string(samples, '\x80');
    return wave;
}

// An MPEG-1 audio layer II stream of silence: frames of 1152 samples at
// 48 kHz, 32 kbit/s, mono, no CRC (96 bytes each). With every bit
// allocation zero, a frame is its header followed by zero bytes.
inline std::string silentMpegAudio(unsigned milliseconds) {
    const std::string header("\xFF\xFD\x14\xC0", 4);
    std::string frame = header + std::string(96 - header.size(), '\0');
    unsigned frames = milliseconds / 24 + 1;
    std::string stream;
    for (unsigned i = 0; i < frames; ++i) stream += frame;
    return stream;
}

}  // namespace movara_test
