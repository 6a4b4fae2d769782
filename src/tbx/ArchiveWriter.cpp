#include <windows.h>

#include "tbx/Archive.h"
#include "tbx/ArchiveHeader.h"
#include "tbx/ArchiveTime.h"
#include "tbx/FileUtil.h"
#include "tbx/PathString.h"

namespace tbx {

namespace {

const char kZeros[kArchiveBlockSize] = {};
const size_t kSmallEntry = 64 * 1024;

// The writer ignores short writes, as the stream records them in its state.
void writeData(nstream& out, const std::string& data) {
    const size_t kChunk = 1 << 30;
    for (size_t offset = 0; offset < data.size(); offset += kChunk) {
        size_t length = data.size() - offset < kChunk ? data.size() - offset : kChunk;
        out.write(data.data() + offset, (int)length);
    }
}

void writeEntry(nstream& out, const std::string& name, const std::string& data, uint32_t mtime, char typeflag) {
    ArchiveBlock header = make_archive_header(name, data.size(), mtime, typeflag);
    const size_t padding = padding_for(data.size());
    // A small entry goes out in one write: each write is a system call.
    if (data.size() <= kSmallEntry) {
        std::string block(header.data(), header.size());
        block += data;
        block.append(kZeros, padding);
        out.write(block.data(), (int)block.size());
        return;
    }
    out.write(header.data(), (int)header.size());
    writeData(out, data);
    out.write(kZeros, (int)padding);
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

std::string placeholderName(size_t number) { return std::string(kLongNameDirectory) + "/" + std::to_string(number); }

}  // namespace

void archive_create(nstream& out, const std::string& base_directory, const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    std::string base = with_trailing_separator(base_directory);
    std::vector<std::string> longNames;
    for (const std::string& path : paths) {
        const EntryFacts facts = factsOf(path);
        std::string data = facts.directory ? std::string() : read_file(path);
        std::string slashed = to_slashes(path);
        std::string relative = slashed.size() > base.size() ? slashed.substr(base.size()) : std::string();
        std::string name = relative;
        if (relative.size() >= 100) {
            name = placeholderName(longNames.size());
            longNames.push_back(relative);
        }
        writeEntry(out, name, data, facts.mtime, facts.directory ? kTypeDirectory : kTypeRegular);
    }
    if (longNames.empty()) return;
    std::string list;
    for (const std::string& name : longNames) list += name + "\n";
    writeEntry(out, kNameListEntry, list, current_time_unix(), kTypeRegular);
}

void archive_create_from_directory(nstream& out, const std::string& directory) {
    std::vector<std::string> files = list_files(with_trailing_separator(directory) + "*.*", true);
    archive_create(out, dir_name_of(directory), files);
}

}  // namespace tbx
