#include "Mutator.h"

#include <cstring>

namespace fuzz {

namespace {

// Values at the edges of the signed and unsigned 8, 16, 32 and 64 bit ranges.
const uint64_t kBoundaries[] = {0,
                                1,
                                0x7F,
                                0x80,
                                0xFF,
                                0x100,
                                0x7FFF,
                                0x8000,
                                0xFFFF,
                                0x10000,
                                0x7FFFFFFF,
                                0x80000000,
                                0xFFFFFFFF,
                                0x100000000,
                                0x7FFFFFFFFFFFFFFF,
                                0xFFFFFFFFFFFFFFFF};

// The same edges as a text field holds them: decimal, octal (archive sizes),
// signed, and numbers past every range.
const char* const kBoundaryTexts[] = {"0",          "-1",         "2147483647",  "2147483648",   "-2147483649",
                                      "4294967295", "4294967296", "77777777777", "777777777777", "99999999999999999999",
                                      "1e308",      "1e309",      "-0",          "NaN",          "0x7FFFFFFF",
                                      "00000000000"};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

uint64_t Random::next() {
    // splitmix64
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

Mutator::Mutator(uint64_t seed, std::vector<std::string> corpus, size_t maxSize)
    : random_(seed), corpus_(std::move(corpus)), maxSize_(maxSize) {}

std::string Mutator::next() {
    std::string data = corpus_[random_.below(corpus_.size())];
    size_t count = 1 + random_.below(4);
    for (size_t i = 0; i < count; ++i)
        apply(static_cast<Mutation>(random_.below(static_cast<size_t>(Mutation::Count))), data);
    if (data.size() > maxSize_) data.resize(maxSize_);
    return data;
}

void Mutator::apply(Mutation mutation, std::string& data) {
    switch (mutation) {
        case Mutation::BitFlip:
            if (!data.empty()) data[random_.below(data.size())] ^= static_cast<char>(1u << random_.below(8));
            break;
        case Mutation::Insert: {
            // Bytes that mean something to the parsers as well as random ones.
            static const char kSpecial[] = "<>&\"'/\\:.?*\0\x81\x5C\xFF\xFE\xEF\xBB\xBF\x1B";
            std::string bytes(1 + random_.below(8), '\0');
            for (char& c : bytes)
                c = random_.below(2) ? kSpecial[random_.below(sizeof kSpecial - 1)] : static_cast<char>(random_.next());
            data.insert(random_.below(data.size() + 1), bytes);
            break;
        }
        case Mutation::Erase:
            if (!data.empty()) {
                size_t at = random_.below(data.size());
                data.erase(at, 1 + random_.below(16));
            }
            break;
        case Mutation::Splice: {
            const std::string& other = corpus_[random_.below(corpus_.size())];
            size_t from = random_.below(other.size() + 1);
            std::string piece = other.substr(from, random_.below(other.size() - from + 1));
            size_t at = random_.below(data.size() + 1);
            data = data.substr(0, at) + piece + data.substr(at + random_.below(data.size() - at + 1));
            break;
        }
        case Mutation::BoundaryNumber:
            writeBoundaryNumber(data);
            break;
        case Mutation::Truncate:
            data.resize(random_.below(data.size() + 1));
            break;
        case Mutation::Repeat:
            if (!data.empty()) {
                size_t from = random_.below(data.size());
                std::string piece = data.substr(from, 1 + random_.below(64));
                size_t times = 1 + random_.below(random_.below(2) ? 4 : 256);
                std::string repeated;
                for (size_t i = 0; i < times && repeated.size() < maxSize_; ++i) repeated += piece;
                data.insert(from, repeated);
            }
            break;
        case Mutation::Count:
            break;
    }
}

void Mutator::writeBoundaryNumber(std::string& data) {
    if (data.empty()) return;
    size_t at = random_.below(data.size());
    if (random_.below(2)) {
        // Binary, little or big endian, over 1, 2, 4 or 8 bytes.
        uint64_t value = kBoundaries[random_.below(sizeof kBoundaries / sizeof *kBoundaries)];
        size_t width = size_t(1) << random_.below(4);
        bool big = random_.below(4) == 0;
        for (size_t i = 0; i < width && at + i < data.size(); ++i) {
            size_t shift = 8 * (big ? width - 1 - i : i);
            data[at + i] = static_cast<char>(value >> shift);
        }
        return;
    }
    // As text, over the run of digits nearest at (or inserted there).
    size_t start = at;
    while (start < data.size() && !isDigit(data[start])) ++start;
    if (start == data.size()) start = at;
    size_t end = start;
    while (end < data.size() && isDigit(data[end])) ++end;
    const char* text = kBoundaryTexts[random_.below(sizeof kBoundaryTexts / sizeof *kBoundaryTexts)];
    if (random_.below(2) && end > start) {
        // Same width: the layout of fixed fields stays.
        std::string padded(text);
        padded = padded.size() >= end - start ? padded.substr(0, end - start)
                                              : std::string(end - start - padded.size(), '0') + padded;
        data.replace(start, end - start, padded);
    } else {
        data.replace(start, end - start, text);
    }
}

std::string toHex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

std::string fromHex(const std::string& hex) {
    auto value = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(value(hex[i]) * 16 + value(hex[i + 1]));
    return bytes;
}

}  // namespace fuzz
