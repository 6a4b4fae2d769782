#pragma once
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>

#include "MovaraTest.h"
#include "imaging/SwfFile.h"
#include "tbx/Archive.h"
#include "tbx/ArchiveHeader.h"
#include "tbx/Handles.h"
#include "tbx/nfstream.h"

namespace archive_test {

// One archive entry built by hand: the name bytes go into the name field as
// given (up to all 100 bytes, with no NUL), then a tweak may change any field
// before the checksum is computed.
struct RawEntry {
    std::string name;
    std::string data;
    char type = '0';
    std::function<void(tbx::ArchiveBlock&)> tweak;
    bool validChecksum = true;

    std::string bytes() const {
        tbx::ArchiveBlock block = tbx::make_archive_header("x", data.size(), 1500000000u, type);
        memset(block.data(), 0, 100);
        memcpy(block.data(), name.data(), name.size() < 100 ? name.size() : 100);
        if (tweak) tweak(block);
        char checksum[8];
        snprintf(checksum, sizeof checksum, "%06o", tbx::archive_header_checksum(block) + (validChecksum ? 0 : 1));
        memcpy(block.data() + 148, checksum, 7);
        block[155] = ' ';
        return std::string(block.data(), block.size()) + data + std::string(tbx::padding_for(data.size()), '\0');
    }
};

inline void setField(tbx::ArchiveBlock& block, size_t offset, const std::string& bytes) {
    memcpy(block.data() + offset, bytes.data(), bytes.size());
}

// "" when the extraction succeeds, otherwise the exception's message.
inline std::string extractOutcome(const std::string& archivePath, const std::string& dest, bool withoutAs3 = false) {
    try {
        tbx::nfstream in(archivePath.c_str(), "rb");
        if (withoutAs3)
            tbx::archive_extract_without_as3_swf(dest, in, [](const std::string& movie) { return !isAs3Swf(movie); });
        else
            tbx::archive_extract(dest, in);
        return "";
    } catch (const std::exception& e) {
        return e.what();
    }
}

inline std::string createFromDirectory(const std::string& archivePath, const std::string& directory) {
    {
        tbx::nfstream out(archivePath.c_str(), "wb");
        tbx::archive_create_from_directory(out, directory);
    }
    return movara_test::readBytes(archivePath);
}

inline void setUnixMtime(const std::string& path, uint32_t seconds) {
    tbx::FileHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) throw std::runtime_error("cannot open " + path);
    ULONGLONG ticks = 116444736000000000ULL + (ULONGLONG)seconds * 10000000ULL;
    FILETIME time{(DWORD)ticks, (DWORD)(ticks >> 32)};
    if (!SetFileTime(file.get(), nullptr, nullptr, &time)) throw std::runtime_error("cannot set time " + path);
}

inline uint32_t unixMtime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    ULONGLONG ticks = (ULONGLONG)data.ftLastWriteTime.dwHighDateTime << 32 | data.ftLastWriteTime.dwLowDateTime;
    return (uint32_t)((ticks - 116444736000000000ULL) / 10000000ULL);
}

// The name field of the header block at a byte offset of an archive.
inline std::string nameAt(const std::string& archive, size_t offset) {
    return std::string(archive.c_str() + offset, strnlen(archive.c_str() + offset, 100));
}

}  // namespace archive_test
