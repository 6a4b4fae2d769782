#include "tbx/ArchiveTime.h"

#include <windows.h>

#include "tbx/Handles.h"

namespace tbx {

namespace {

constexpr ULONGLONG kTicksPerSecond = 10000000ULL;
constexpr ULONGLONG kEpochTicks = 116444736000000000ULL;  // 1970-01-01 in FILETIME ticks

FILETIME fromUnix(uint32_t seconds) {
    ULONGLONG ticks = kEpochTicks + (ULONGLONG)seconds * kTicksPerSecond;
    FILETIME time;
    time.dwLowDateTime = (DWORD)ticks;
    time.dwHighDateTime = (DWORD)(ticks >> 32);
    return time;
}

}  // namespace

uint32_t file_time_unix(const FILETIME& time) {
    ULONGLONG ticks = (ULONGLONG)time.dwHighDateTime << 32 | time.dwLowDateTime;
    if (ticks < kEpochTicks) return 0;
    return (uint32_t)((ticks - kEpochTicks) / kTicksPerSecond);
}

uint32_t file_mtime_unix(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return file_time_unix(data.ftLastWriteTime);
}

uint32_t current_time_unix() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return file_time_unix(now);
}

bool set_file_times_unix(const std::string& path, uint32_t seconds) {
    FileHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;
    return set_file_times_unix(file.get(), seconds);
}

bool set_file_times_unix(HANDLE file, uint32_t seconds) {
    FILETIME time = fromUnix(seconds);
    return SetFileTime(file, nullptr, &time, &time) != FALSE;
}

}  // namespace tbx
