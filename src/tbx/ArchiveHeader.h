#pragma once
#include <array>
#include <cstdint>
#include <string>

// The archive's 512-byte header block: layout, checksum and octal fields.
namespace tbx {

constexpr size_t kArchiveBlockSize = 512;
using ArchiveBlock = std::array<char, kArchiveBlockSize>;

// Long names are stored as "<directory>/<number>"; "<directory>/files" maps
// the numbers back to the names.
constexpr char kLongNameDirectory[] = "{97133CBE-01AD-4c66-A7F2-B74118AD2424}";
constexpr char kNameListEntry[] = "{97133CBE-01AD-4c66-A7F2-B74118AD2424}/files";

constexpr char kTypeRegular = '0';
constexpr char kTypeDirectory = '5';

// The largest size the 11 octal digits of the size field can hold.
constexpr uint64_t kMaxEntrySize = 077777777777ULL;

// A complete header for an entry name of at most 99 bytes. Throws
// std::runtime_error when the size does not fit the size field.
ArchiveBlock make_archive_header(const std::string& name, uint64_t size, uint32_t mtime, char typeflag);

// Sum of the 512 bytes as unsigned values, with the checksum field taken as
// eight spaces whatever it holds.
unsigned archive_header_checksum(const ArchiveBlock& block);

// Reads an octal field: leading spaces, octal digits, then a NUL or a space
// or the end of the field. False for any other character and for base-256
// numbers (high bit set in the first byte).
bool parse_archive_octal(const char* field, size_t width, uint64_t& value);

// Whether the stored checksum matches, or the field is eight spaces.
bool archive_checksum_accepted(const ArchiveBlock& block);

size_t padding_for(uint64_t size);

}  // namespace tbx
