#include "tbx/FileUtil.h"

#include <windows.h>

#include <stdexcept>

#include "tbx/Handles.h"
#include "tbx/PathString.h"

namespace tbx {

std::string read_file(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannt open " + path);
    LARGE_INTEGER size;
    std::string data;
    // A 32-bit process cannot hold every file: a longer one must fail, not come back cut short.
    if (!GetFileSizeEx(file.get(), &size) || static_cast<ULONGLONG>(size.QuadPart) > data.max_size())
        throw std::runtime_error("cannt read " + path);
    data.resize(static_cast<size_t>(size.QuadPart));
    size_t total = 0;
    while (total < data.size()) {
        DWORD chunk = data.size() - total > 0x40000000 ? 0x40000000 : (DWORD)(data.size() - total);
        DWORD got = 0;
        if (!ReadFile(file.get(), &data[total], chunk, &got, nullptr) || got == 0) break;
        total += got;
    }
    if (total != data.size()) throw std::runtime_error("cannt read " + path);
    return data;
}

void write_file(const std::string& path, const std::string& data) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, kStreamSharing, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannt open " + path);
    size_t total = 0;
    while (total < data.size()) {
        DWORD chunk = data.size() - total > 0x40000000 ? 0x40000000 : (DWORD)(data.size() - total);
        DWORD written = 0;
        if (!WriteFile(file.get(), data.data() + total, chunk, &written, nullptr) || written == 0) break;
        total += written;
    }
    if (total != data.size()) throw std::runtime_error("cannt write " + path);
}

namespace {

bool isDotName(const char* name) { return name[0] == '.'; }

// The basic level leaves out the short (8.3) names, which nothing here reads
// and which the system would make up for every entry.
HANDLE findFirst(const std::string& pattern, WIN32_FIND_DATAA& found) {
    return FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                            FIND_FIRST_EX_LARGE_FETCH);
}

void listInto(const std::string& prefix, const std::string& mask, bool recursive, std::vector<std::string>& result) {
    WIN32_FIND_DATAA found;
    if (recursive) {
        // With the mask that matches every name, the walk for folders finds
        // the files too, so each folder is read once; its files still follow
        // the contents of its subfolders.
        const bool everything = mask == "*.*";
        std::vector<std::string> files;
        FindHandle search(findFirst(prefix + "*.*", found));
        if (!search) return;
        do {
            if (isDotName(found.cFileName)) continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                listInto(prefix + found.cFileName + "\\", mask, true, result);
            else if (everything)
                files.push_back(prefix + found.cFileName);
        } while (FindNextFileA(search.get(), &found));
        if (everything) {
            result.insert(result.end(), files.begin(), files.end());
            return;
        }
    }
    FindHandle search(findFirst(prefix + mask, found));
    if (!search) return;
    do {
        if (isDotName(found.cFileName) || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        result.push_back(prefix + found.cFileName);
    } while (FindNextFileA(search.get(), &found));
}

}  // namespace

std::vector<std::string> list_files(const std::string& pattern, bool recursive) {
    // The pattern up to and with its last separator, so that a bare mask
    // lists the current directory and one after a lone '\\' the drive's root.
    size_t separator = last_separator(pattern);
    std::string prefix = separator == std::string::npos ? std::string() : pattern.substr(0, separator + 1);
    std::vector<std::string> result;
    listInto(prefix, pattern.substr(prefix.size()), recursive, result);
    return result;
}

bool is_directory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> missing_directories(const std::string& path) {
    std::vector<std::string> missing;
    std::string folder = path;
    while (ends_with_separator(folder)) folder.pop_back();
    for (; !folder.empty() && !is_directory(folder); folder = dir_name_of(folder)) {
        missing.push_back(folder);
        if (dir_name_of(folder).size() <= 2) break;
    }
    return missing;
}

void create_directories(const std::string& path, const path_check& check) {
    std::vector<std::string> missing = missing_directories(path);
    // Each below the name its parent was judged as.
    std::vector<std::string> names;
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        std::string name = names.empty()                       ? *it
                           : ends_with_separator(names.back()) ? names.back() + file_name_of(*it)
                                                               : names.back() + "\\" + file_name_of(*it);
        names.push_back(check ? check(name) : name);
    }
    for (const std::string& name : names) CreateDirectoryA(name.c_str(), nullptr);
}

}  // namespace tbx
