#include "app/CrashDump.h"
#include "tbx/PathString.h"

#include <cstdio>
#include <vector>

namespace {

// "vMAJOR.MINOR" of the build's version number.
const char* const kVersionLabel = MOVARA_VERSION_LABEL;

// MINIDUMP_EXCEPTION_INFORMATION, laid out as dbghelp reads it.
#pragma pack(push, 4)
struct DumpExceptionInformation {
    DWORD threadId;
    EXCEPTION_POINTERS* exceptionPointers;
    BOOL clientPointers;
};
#pragma pack(pop)

std::string afterLastBackslash(const std::string& path) {
    size_t backslash = tbx::find_last_character(path, '\\');
    return backslash == std::string::npos ? path : path.substr(backslash + 1);
}

}  // namespace

CrashDumpWriter::CrashDumpWriter(std::string libraryName) : libraryName_(std::move(libraryName)) {}

bool CrashDumpWriter::loadLibrary() {
    if (miniDumpWriter_) return true;
    if (!dumpLibrary_) dumpLibrary_.reset(LoadLibraryA(libraryName_.c_str()));
    if (!dumpLibrary_) return false;
    miniDumpWriter_ = reinterpret_cast<MiniDumpWriter>(
        reinterpret_cast<void*>(GetProcAddress(dumpLibrary_.get(), "MiniDumpWriteDump")));
    return miniDumpWriter_ != nullptr;
}

bool CrashDumpWriter::computePath(DWORD crashedThreadId) {
    char module[520];
    DWORD length = GetModuleFileNameA(nullptr, module, sizeof(module));
    if (length == 0 || length >= sizeof(module)) return false;
    std::string programName = afterLastBackslash(module);

    SYSTEMTIME now;
    GetLocalTime(&now);
    char temp[MAX_PATH] = "";
    char longTemp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    if (GetLongPathNameA(temp, longTemp, sizeof(longTemp)) == 0) lstrcpynA(longTemp, temp, sizeof(longTemp));

    CreateDirectoryA((std::string(longTemp) + programName).c_str(), nullptr);
    dumpPath_ = crashDumpFileName(longTemp, programName, now, GetCurrentProcessId(), crashedThreadId);
    return true;
}

LONG CrashDumpWriter::write(EXCEPTION_POINTERS* exception, DWORD crashedThreadId) {
    if (!loadLibrary()) return EXCEPTION_EXECUTE_HANDLER;
    if (dumpPath_.empty() && !computePath(crashedThreadId)) return EXCEPTION_EXECUTE_HANDLER;

    tbx::FileHandle file(CreateFileA(dumpPath_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr));
    if (!file) {
        dumpPath_.clear();
        return EXCEPTION_EXECUTE_HANDLER;
    }
    DumpExceptionInformation information = {crashedThreadId, exception, TRUE};
    BOOL written = miniDumpWriter_(GetCurrentProcess(), GetCurrentProcessId(), file.get(), 0 /* MiniDumpNormal */,
                                   &information, nullptr, nullptr);
    file.reset();
    if (!written) dumpPath_.clear();
    return EXCEPTION_EXECUTE_HANDLER;
}

std::string crashDumpFileName(const std::string& tempDirectory, const std::string& programName, const SYSTEMTIME& time,
                              DWORD processId, DWORD threadId) {
    char path[MAX_PATH];
    snprintf(path, sizeof(path), "%s%s\\%s-%04d%02d%02d-%02d%02d%02d-%ld-%ld.dmp", tempDirectory.c_str(),
             programName.c_str(), kVersionLabel, time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
             time.wSecond, static_cast<long>(processId), static_cast<long>(threadId));
    return path;
}

std::string crashMessage(const std::string& path) {
    if (path.empty()) return "システムエラーが発生しました。";
    char text[512];
    snprintf(text, sizeof(text), "エラーが発生しました。エラー情報は%sに格納されています。", path.c_str());
    return text;
}
