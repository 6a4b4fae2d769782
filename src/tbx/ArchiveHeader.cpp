#include "tbx/ArchiveHeader.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace tbx {

namespace {

constexpr size_t kChecksumOffset = 148;
constexpr size_t kChecksumWidth = 8;

// snprintf writes its NUL too; every field here is one byte wider than its digits.
void putField(ArchiveBlock& block, size_t offset, size_t width, const char* text) {
    size_t length = strlen(text);
    if (length >= width) length = width - 1;
    memcpy(block.data() + offset, text, length);
}

}  // namespace

ArchiveBlock make_archive_header(const std::string& name, uint64_t size, uint32_t mtime, char typeflag) {
    if (size > kMaxEntrySize) throw std::runtime_error("file too large " + name);
    ArchiveBlock block{};
    memcpy(block.data(), name.data(), name.size() < 100 ? name.size() : 99);
    char text[32];
    putField(block, 100, 8, "0000666");
    putField(block, 108, 8, "   0000");
    putField(block, 116, 8, "   0000");
    snprintf(text, sizeof text, "%011llo", (unsigned long long)size);
    putField(block, 124, 12, text);
    snprintf(text, sizeof text, "%011lo", (unsigned long)mtime);
    putField(block, 136, 12, text);
    block[156] = typeflag;
    memcpy(block.data() + 257, "ustar  ", 8);
    memcpy(block.data() + 265, "none", 4);
    snprintf(text, sizeof text, "%07o", archive_header_checksum(block));
    memcpy(block.data() + kChecksumOffset, text, 8);
    return block;
}

unsigned archive_header_checksum(const ArchiveBlock& block) {
    unsigned sum = 0;
    for (size_t i = 0; i < block.size(); ++i) {
        bool inField = i >= kChecksumOffset && i < kChecksumOffset + kChecksumWidth;
        sum += inField ? (unsigned)' ' : (unsigned char)block[i];
    }
    return sum;
}

bool parse_archive_octal(const char* field, size_t width, uint64_t& value) {
    value = 0;
    if ((unsigned char)field[0] & 0x80) return false;
    size_t i = 0;
    while (i < width && field[i] == ' ') ++i;
    for (; i < width; ++i) {
        char c = field[i];
        if (c == '\0' || c == ' ') return true;
        if (c < '0' || c > '7') return false;
        if (value >> 60) return false;
        value = value * 8 + (uint64_t)(c - '0');
    }
    return true;
}

bool archive_checksum_accepted(const ArchiveBlock& block) {
    const char* field = block.data() + kChecksumOffset;
    if (memcmp(field, "        ", kChecksumWidth) == 0) return true;
    uint64_t stored = 0;
    if (!parse_archive_octal(field, kChecksumWidth, stored)) return false;
    return stored != 0 && stored == archive_header_checksum(block);
}

size_t padding_for(uint64_t size) {
    return (size_t)((kArchiveBlockSize - size % kArchiveBlockSize) % kArchiveBlockSize);
}

}  // namespace tbx
