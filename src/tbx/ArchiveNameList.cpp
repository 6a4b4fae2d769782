#include "tbx/ArchiveNameList.h"

#include <stdexcept>
#include <vector>

#include <windows.h>

#include "tbx/ArchiveEntryName.h"
#include "tbx/ArchiveHeader.h"
#include "tbx/FileUtil.h"
#include "tbx/PathString.h"

namespace tbx {

namespace {

std::vector<std::string> listedNames(const std::string& data) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\n', start);
        if (end == std::string::npos) end = data.size();
        std::string line = data.substr(start, end - start);
        if (line.empty() || line[0] == '\0') break;
        names.push_back(line.substr(0, line.find('\0')));
        start = end + 1;
    }
    return names;
}

}  // namespace

void apply_archive_name_list(const std::string& dest, const archive_target_check& check) {
    std::string directory = dest + kLongNameDirectory;
    std::string listPath = directory + "\\files";
    std::string data;
    try {
        data = read_file(listPath);
    } catch (const std::runtime_error&) {
        return;
    }
    if (data.find("..") != std::string::npos) throw std::runtime_error("invalid file name");
    std::vector<std::string> names = listedNames(data);
    // Every name is checked before the first move, so a bad list moves nothing.
    std::vector<std::string> targets;
    for (const std::string& name : names) {
        std::string relative = archive_relative_path(name);
        if (relative.empty()) throw std::runtime_error("invalid file name");
        targets.push_back(dest + relative);
        if (check) check(targets.back());
    }
    for (size_t i = 0; i < targets.size(); ++i) {
        std::string placeholder = directory + "\\" + std::to_string(i);
        if (GetFileAttributesA(placeholder.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        create_directories(dir_name_of(targets[i]));
        MoveFileExA(placeholder.c_str(), targets[i].c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    DeleteFileA(listPath.c_str());
    RemoveDirectoryA(directory.c_str());
}

}  // namespace tbx
