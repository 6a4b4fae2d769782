#include "dialog/MovieWatch.h"

#include "tbx/PathString.h"

MovieWatch::MovieWatch(const std::string& movie) {
    std::string file = movie.substr(0, tbx::find_character(movie, '?'));
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(current), current);
    std::string local = std::string(current) + "\\" + file;
    path_ = GetFileAttributesA(local.c_str()) != INVALID_FILE_ATTRIBUTES ? local : file;
    stamp(written_, size_);
}

bool MovieWatch::stamp(FILETIME& written, ULONGLONG& size) const {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path_.c_str(), GetFileExInfoStandard, &data)) return false;
    written = data.ftLastWriteTime;
    size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool MovieWatch::changed() {
    FILETIME written;
    ULONGLONG size = 0;
    if (!stamp(written, size)) return false;
    if (CompareFileTime(&written, &written_) == 0 && size == size_) return false;
    written_ = written;
    size_ = size;
    return true;
}
