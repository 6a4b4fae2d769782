#pragma once
#include <windows.h>

#include <string>

#include "tbx/Handles.h"

// Writes a mini dump of the process when the main thread crashes, into
// <long temp dir><program file name>\v1.0-YYYYMMDD-hhmmss-<pid>-<tid>.dmp.
// Every failure is silent: the path is then empty and the user gets the
// generic message.
class CrashDumpWriter {
public:
    explicit CrashDumpWriter(std::string libraryName = "dbghelp.dll");

    // Always answers EXCEPTION_EXECUTE_HANDLER (1).
    LONG write(EXCEPTION_POINTERS* exception);
    const std::string& dumpPath() const { return dumpPath_; }

private:
    bool loadLibrary();
    bool computePath();

    using MiniDumpWriter = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, int, void*, void*, void*);

    std::string libraryName_;
    tbx::Module dumpLibrary_;
    MiniDumpWriter miniDumpWriter_ = nullptr;
    std::string dumpPath_;
};

// The process-wide writer (dbghelp.dll) as the exception filter's half.
LONG WINAPI writeCrashDump(EXCEPTION_POINTERS* exception);
const std::string& dumpPath();

// The dump file's path for the given parts, cut to 259 bytes like the
// 260-byte buffer it is formatted into.
std::string crashDumpFileName(const std::string& tempDirectory, const std::string& programName, const SYSTEMTIME& time,
                              DWORD processId, DWORD threadId);

// The message shown after a crash: where the dump lies, or the generic text.
std::string crashMessage(const std::string& path);

// Guards the calling thread: a fault there (access violation, illegal
// instruction, stack overflow and the like) writes the dump, shows
// crashMessage and ends the process. It is a vectored exception handler, not
// an unhandled-exception filter: structured exceptions do not travel through
// the frames of C++ code built here, so a filter would never be reached.
// Faults on other threads take the system's default path.
void installCrashGuard();
