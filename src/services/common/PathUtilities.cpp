#include "services/common/PathUtilities.h"

#include <vector>

#include "tbx/MvException.h"
#include "tbx/PathString.h"
#include "tbx/TbException.h"

namespace {

// Both directory queries answer the length they need when the buffer is too
// small; the second call uses exactly that length.
template <typename Query>
std::string queryDirectory(Query query, const char* failure) {
    std::vector<char> buffer(MAX_PATH);
    DWORD length = query(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        buffer.resize(length);
        length = query(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (length == 0 || length >= buffer.size()) throw MvException(failure);
    return std::string(buffer.data(), length);
}

}  // namespace

std::string tempDirectory(bool withSeparator) {
    std::string path = queryDirectory([](DWORD size, char* buffer) { return GetTempPathA(size, buffer); },
                                      "一時フォルダのパスを取得できませんでした。");
    return setTrailingSeparator(path, withSeparator);
}

std::string currentDirectory(bool withSeparator) {
    std::string path = queryDirectory([](DWORD size, char* buffer) { return GetCurrentDirectoryA(size, buffer); },
                                      "カレントフォルダのパスを取得できませんでした。");
    return setTrailingSeparator(path, withSeparator);
}

std::string setTrailingSeparator(const std::string& path, bool withSeparator) {
    if (withSeparator) return tbx::ends_with_separator(path) ? path : path + "\\";
    return tbx::ends_with_separator(path) ? path.substr(0, path.size() - 1) : path;
}

std::string withoutTrailingSeparators(const std::string& path) {
    std::string folder = path;
    bool driveRoot = folder.size() == 3 && folder[1] == ':' && !tbx::is_lead_byte(folder[0]);
    while (folder.size() > 1 && tbx::ends_with_separator(folder) && !driveRoot) {
        folder.pop_back();
        driveRoot = folder.size() == 3 && folder[1] == ':' && !tbx::is_lead_byte(folder[0]);
    }
    return folder;
}

void requireDirectoryName(const std::string& directory) {
    if (directory.size() <= 1) throw MvException("ディレクトリ名が短過ぎます。0");
}

std::string joinPath(const std::string& directory, const std::string& name) {
    requireDirectoryName(directory);
    if (tbx::ends_with_separator(directory)) return directory + name;
    return directory + "\\" + name;
}

FILETIME lastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        DWORD code = GetLastError();
        throw TbException("ファイルの更新時刻取得に失敗しました。file:" + path + ",code:" + std::to_string(code));
    }
    return data.ftLastWriteTime;
}

int unixSeconds(const FILETIME& time) {
    const LONGLONG epoch = 116444736000000000LL;
    LONGLONG ticks = (static_cast<LONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<int>(static_cast<DWORD>((ticks - epoch) / 10000000LL));
}

bool isExistingFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
