#include <windows.h>

#include <cstring>
#include <memory>
#include <stdexcept>

#include "tbx/Archive.h"
#include "tbx/ArchiveHeader.h"
#include "tbx/ArchiveTime.h"
#include "tbx/FileUtil.h"
#include "tbx/Handles.h"
#include "tbx/PathString.h"

namespace tbx {

namespace {

const size_t kBufferSize = 1 << 20;
// Entries up to this size are read whole into the output buffer before their
// header is final; larger ones pass through it as it fills.
const size_t kSmallEntry = kBufferSize - 2 * kArchiveBlockSize;
const size_t kChunk = 1 << 30;
const char kZeros[kArchiveBlockSize] = {};

// Gathers the archive's bytes and hands them to the stream in writes of about
// a megabyte: each write is a system call. The writer ignores short writes, as
// the stream records them in its state.
class BlockWriter {
public:
    explicit BlockWriter(nstream& out) : out_(out), buffer_(new char[kBufferSize]) {}

    size_t size() const { return used_; }
    // Free bytes left before the buffer must be written; flushes a full one.
    size_t room() {
        if (used_ == kBufferSize) flush();
        return kBufferSize - used_;
    }
    // Room for length more bytes at the end, for the caller to fill; valid
    // until the next call.
    char* extend(size_t length) {
        if (used_ + length > kBufferSize) flush();
        char* at = buffer_.get() + used_;
        used_ += length;
        return at;
    }
    // Drops what was added after size, while it is still buffered.
    void truncate(size_t size) { used_ = size; }
    void append(const char* data, size_t length) {
        if (length < kBufferSize) {
            memcpy(extend(length), data, length);
            return;
        }
        flush();
        for (size_t offset = 0; offset < length; offset += kChunk)
            out_.write(data + offset, (int)(length - offset < kChunk ? length - offset : kChunk));
    }
    void flush() {
        if (used_ > 0) out_.write(buffer_.get(), (int)used_);
        used_ = 0;
    }

private:
    nstream& out_;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
};

void writeEntry(BlockWriter& out, const std::string& name, const char* data, size_t size, uint32_t mtime,
                char typeflag) {
    ArchiveBlock header = make_archive_header(name, size, mtime, typeflag);
    out.append(header.data(), header.size());
    out.append(data, size);
    out.append(kZeros, padding_for(size));
}

// The directory flag and the modification time of path, asked in one call.
struct EntryFacts {
    bool directory = false;
    uint32_t mtime = 0;
};

EntryFacts factsOf(const std::string& path) {
    EntryFacts facts;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return facts;
    facts.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.mtime = file_time_unix(data.ftLastWriteTime);
    return facts;
}

bool readWhole(HANDLE file, char* data, size_t size) {
    size_t total = 0;
    while (total < size) {
        DWORD chunk = size - total > kChunk ? (DWORD)kChunk : (DWORD)(size - total);
        DWORD got = 0;
        if (!ReadFile(file, data + total, chunk, &got, nullptr) || got == 0) return false;
        total += got;
    }
    return true;
}

// Writes one listed path's entry. A file is opened once and its time, size
// and bytes come from that handle; only a path that cannot be opened as a
// file is asked for its attributes, since a directory is stored without data.
// A file that cannot be read whole throws; a small file's entry is then left
// out, a large file's may stay cut short where the reading failed.
void writePathEntry(BlockWriter& out, const std::string& path, const std::string& name) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const EntryFacts facts = factsOf(path);
        if (!facts.directory) throw std::runtime_error("cannt open " + path);
        writeEntry(out, name, nullptr, 0, facts.mtime, kTypeDirectory);
        return;
    }
    FILETIME written = {};
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(file.get(), &fileSize)) throw std::runtime_error("cannt read " + path);
    const uint32_t mtime = GetFileTime(file.get(), nullptr, nullptr, &written) ? file_time_unix(written) : 0;
    const uint64_t size = (uint64_t)fileSize.QuadPart;
    const ArchiveBlock header = make_archive_header(name, size, mtime, kTypeRegular);
    if (size > kSmallEntry) {
        out.append(header.data(), header.size());
        for (uint64_t left = size; left > 0;) {
            const size_t room = out.room();
            size_t take = (size_t)(left < room ? left : room);
            if (!readWhole(file.get(), out.extend(take), take)) {
                out.truncate(out.size() - take);
                throw std::runtime_error("cannt read " + path);
            }
            left -= take;
        }
        out.append(kZeros, padding_for(size));
        return;
    }
    const size_t start = out.size();
    char* block = out.extend(header.size() + (size_t)size + padding_for(size));
    if (!readWhole(file.get(), block + header.size(), (size_t)size)) {
        out.truncate(start);
        throw std::runtime_error("cannt read " + path);
    }
    memcpy(block, header.data(), header.size());
    memset(block + header.size() + size, 0, padding_for(size));
}

std::string placeholderName(size_t number) { return std::string(kLongNameDirectory) + "/" + std::to_string(number); }

std::string entryName(const std::string& path, const std::string& base, std::vector<std::string>& longNames) {
    std::string slashed = to_slashes(path);
    std::string relative = slashed.size() > base.size() ? slashed.substr(base.size()) : std::string();
    if (relative.size() < 100) return relative;
    longNames.push_back(relative);
    return placeholderName(longNames.size() - 1);
}

void writeEntries(BlockWriter& out, const std::string& base_directory, const std::vector<std::string>& paths) {
    std::string base = with_trailing_separator(base_directory);
    std::vector<std::string> longNames;
    for (const std::string& path : paths) writePathEntry(out, path, entryName(path, base, longNames));
    if (longNames.empty()) return;
    std::string list;
    for (const std::string& name : longNames) list += name + "\n";
    writeEntry(out, kNameListEntry, list.data(), list.size(), current_time_unix(), kTypeRegular);
}

}  // namespace

void archive_create(nstream& out, const std::string& base_directory, const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    BlockWriter writer(out);
    // Entries complete before a failure stay in the archive.
    try {
        writeEntries(writer, base_directory, paths);
    } catch (...) {
        writer.flush();
        throw;
    }
    writer.flush();
}

void archive_create_from_directory(nstream& out, const std::string& directory) {
    std::vector<std::string> files = list_files(with_trailing_separator(directory) + "*.*", true);
    archive_create(out, dir_name_of(directory), files);
}

}  // namespace tbx
