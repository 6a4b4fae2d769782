#include "BenchFiles.h"

#include <windows.h>

#include <stdexcept>

#include "tbx/Handles.h"

namespace bench {

std::string dataFolder() {
    char folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("MOVARA_BENCH_DATA", folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) length = GetTempPathA(sizeof folder, folder);
    std::string path(folder, length);
    if (path.back() != '\\') path += '\\';
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

void writeFile(const std::string& path, const std::string& bytes) {
    tbx::FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw std::runtime_error("cannot write " + path);
}

std::string fileTree(const std::string& name, int folders, int files, size_t size) {
    const std::string root = dataFolder() + name;
    // The marker is written last: a tree cut short by an interrupted run is made again.
    const std::string marker = dataFolder() + name + ".complete";
    if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return root;
    CreateDirectoryA(root.c_str(), nullptr);
    std::string content(size, 'a');
    for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + (i * 7919 % 26));
    for (int folder = 0; folder < folders; ++folder) {
        const std::string sub = root + "\\folder" + std::to_string(folder);
        CreateDirectoryA(sub.c_str(), nullptr);
        for (int file = 0; file < files; ++file) writeFile(sub + "\\file" + std::to_string(file) + ".dat", content);
    }
    writeFile(marker, "");
    return root;
}

}  // namespace bench
