#include <windows.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "tbx/Archive.h"
#include "tbx/ArchiveEntryName.h"
#include "tbx/ArchiveHeader.h"
#include "tbx/ArchiveNameList.h"
#include "tbx/ArchiveTime.h"
#include "tbx/FileUtil.h"
#include "tbx/Handles.h"
#include "tbx/PathString.h"
#include "tbx/SiblingFile.h"

namespace tbx {

namespace {

[[noreturn]] void fail(const char* message) { throw std::runtime_error(message); }

constexpr uint64_t kWriteChunk = 256 * 1024;

enum class EntryKind { File, Directory, Skipped };

// Links, devices and FIFOs cannot be made here and carry no data of their
// own: they are passed over. Extension headers (long names, pax) would change
// the meaning of the next entry, so an archive holding them is refused.
EntryKind kindOf(char typeflag) {
    switch (typeflag) {
        case '0':
        case '\0':
        case '7':
            return EntryKind::File;
        case '5':
            return EntryKind::Directory;
        case '1':
        case '2':
        case '3':
        case '4':
        case '6':
            return EntryKind::Skipped;
        default:
            fail("invalid file");
    }
}

// The name field up to its first NUL; a POSIX ustar prefix goes in front.
std::string entryName(const ArchiveBlock& block) {
    std::string name(block.data(), strnlen(block.data(), 100));
    if (memcmp(block.data() + 257, "ustar\0", 6) == 0 && block[345] != '\0')
        name = std::string(block.data() + 345, strnlen(block.data() + 345, 155)) + "/" + name;
    return name;
}

struct Extraction {
    std::string dest;
    nstream& in;
    bool withoutAs3;
    const archive_movie_filter& keepMovie;
    const archive_target_check& check;
    bool nameList = false;

    void run();
    void skipData(uint64_t size);
    // Unpacks into a temporary file beside the target, named no longer than
    // the target, and moves it into place only when complete, so a damaged
    // archive never replaces a good file with a truncated one. Returns
    // whether a data block looked like a movie.
    bool writeFile(const std::string& target, uint64_t size, uint32_t mtime);
    // Creates the folder and its parents unless it was the last one made:
    // the entries of one folder follow each other.
    void makeFolder(const std::string& folder);

    std::string lastFolder;
};

void Extraction::skipData(uint64_t size) {
    char block[kArchiveBlockSize];
    for (uint64_t left = size; left > 0; left -= left < kArchiveBlockSize ? left : kArchiveBlockSize) {
        if (in.read(block, kArchiveBlockSize) != (int)kArchiveBlockSize) fail("invalid file");
    }
}

bool Extraction::writeFile(const std::string& target, uint64_t size, uint32_t mtime) {
    std::string temporary;
    FileHandle file = create_file_beside(target, temporary);
    if (!file) fail("write file");
    bool movie = false;
    bool written = true;
    bool truncated = false;
    // Whole blocks are read and written a chunk at a time: each read and
    // write is a system call.
    std::vector<char> chunk(kWriteChunk);
    for (uint64_t left = size; written && left > 0;) {
        const uint64_t wanted = left < kWriteChunk ? left : kWriteChunk;
        const size_t blocks = (size_t)((wanted + kArchiveBlockSize - 1) / kArchiveBlockSize);
        const int bytes = (int)(blocks * kArchiveBlockSize);
        if (in.read(chunk.data(), bytes) != bytes) {
            truncated = true;
            break;
        }
        for (size_t b = 0; b < blocks; ++b) {
            const char* block = chunk.data() + b * kArchiveBlockSize;
            if (left - b * kArchiveBlockSize > 3 && (memcmp(block, "CWS", 3) == 0 || memcmp(block, "FWS", 3) == 0))
                movie = true;
        }
        DWORD length = (DWORD)wanted;
        DWORD done = 0;
        written = WriteFile(file.get(), chunk.data(), length, &done, nullptr) && done == length;
        left -= wanted;
    }
    // Set through the open handle: the move keeps the times, and the file is not opened again.
    if (written && !truncated) set_file_times_unix(file.get(), mtime);
    file.reset();
    if (truncated || !written) {
        DeleteFileA(temporary.c_str());
        fail(truncated ? "invalid file" : "write file");
    }
    if (!MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temporary.c_str());
        fail("write file");
    }
    return movie;
}

void Extraction::makeFolder(const std::string& folder) {
    if (folder == lastFolder) return;
    create_directories(folder);
    lastFolder = folder;
}

void Extraction::run() {
    ArchiveBlock block;
    while (in.good()) {
        int got = in.read(block.data(), (int)block.size());
        if (got == 0) break;
        if (got < (int)block.size()) fail("invalid file");
        std::string name = entryName(block);
        if ((withoutAs3 ? dest + name : name).find("..") != std::string::npos) fail("invalid file name");
        if (block[124] == '\0') continue;
        if (!archive_checksum_accepted(block)) fail(withoutAs3 ? "invalid check sum" : "invalid file");
        uint64_t size = 0, mtime = 0;
        if (!parse_archive_octal(block.data() + 124, 12, size) || !parse_archive_octal(block.data() + 136, 12, mtime))
            fail("invalid file");
        EntryKind kind = kindOf(block[156]);
        std::string relative = archive_relative_path(name);
        if (kind == EntryKind::Skipped || (kind == EntryKind::Directory && relative.empty())) {
            skipData(size);
            continue;
        }
        if (relative.empty()) fail("invalid file name");
        std::string target = dest + relative;
        if (check) check(target);
        makeFolder(dir_name_of(target));
        bool movie = false;
        if (kind == EntryKind::Directory) {
            CreateDirectoryA(target.c_str(), nullptr);
            skipData(size);
            set_file_times_unix(target, (uint32_t)mtime);
        } else {
            movie = writeFile(target, size, (uint32_t)mtime);
        }
        if (withoutAs3 && movie && !keepMovie(target)) DeleteFileA(target.c_str());
        if (memcmp(block.data(), kNameListEntry, sizeof kNameListEntry) == 0) nameList = true;
    }
    if (nameList) apply_archive_name_list(dest, check);
}

void extract(const std::string& destination, nstream& in, bool withoutAs3, const archive_movie_filter& keepMovie,
             const archive_target_check& check) {
    Extraction extraction{with_trailing_separator(destination), in, withoutAs3, keepMovie, check};
    extraction.run();
}

}  // namespace

void archive_extract(const std::string& destination, nstream& in, const archive_target_check& check) {
    extract(destination, in, false, {}, check);
}

void archive_extract_without_as3_swf(const std::string& destination, nstream& in, const archive_movie_filter& keepMovie,
                                     const archive_target_check& check) {
    extract(destination, in, true, keepMovie, check);
}

}  // namespace tbx
