#include "app/CrashDump.h"
#include "tbx/PathString.h"

#include <cstdio>
#include <vector>

namespace {

const char* const kVersionLabel = "v1.0";
DWORD guardedThreadId = 0;

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

bool isFault(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_STACK_OVERFLOW:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_NONCONTINUABLE_EXCEPTION:
            return true;
        default:
            return false;
    }
}

LONG WINAPI crashGuard(EXCEPTION_POINTERS* exception) {
    DWORD code = exception->ExceptionRecord->ExceptionCode;
    if (GetCurrentThreadId() != guardedThreadId || !isFault(code)) return EXCEPTION_CONTINUE_SEARCH;
    // A second fault while reporting the first ends the process at once.
    static LONG reporting = 0;
    if (InterlockedExchange(&reporting, 1) == 0) {
        writeCrashDump(exception);
        MessageBoxA(nullptr, crashMessage(dumpPath()).c_str(), nullptr, MB_OK);
    }
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_CONTINUE_SEARCH;
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

bool CrashDumpWriter::computePath() {
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
    dumpPath_ = crashDumpFileName(longTemp, programName, now, GetCurrentProcessId(), GetCurrentThreadId());
    return true;
}

LONG CrashDumpWriter::write(EXCEPTION_POINTERS* exception) {
    if (!loadLibrary()) return EXCEPTION_EXECUTE_HANDLER;
    if (dumpPath_.empty() && !computePath()) return EXCEPTION_EXECUTE_HANDLER;

    tbx::FileHandle file(CreateFileA(dumpPath_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr));
    if (!file) {
        dumpPath_.clear();
        return EXCEPTION_EXECUTE_HANDLER;
    }
    DumpExceptionInformation information = {GetCurrentThreadId(), exception, TRUE};
    BOOL written = miniDumpWriter_(GetCurrentProcess(), GetCurrentProcessId(), file.get(), 0 /* MiniDumpNormal */,
                                   &information, nullptr, nullptr);
    file.reset();
    if (!written) dumpPath_.clear();
    return EXCEPTION_EXECUTE_HANDLER;
}

namespace {

CrashDumpWriter& processWriter() {
    static CrashDumpWriter writer;
    return writer;
}

}  // namespace

LONG WINAPI writeCrashDump(EXCEPTION_POINTERS* exception) { return processWriter().write(exception); }

const std::string& dumpPath() { return processWriter().dumpPath(); }

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

void installCrashGuard() {
    processWriter();  // built now, not inside the filter
    guardedThreadId = GetCurrentThreadId();
    AddVectoredExceptionHandler(1, crashGuard);
}
