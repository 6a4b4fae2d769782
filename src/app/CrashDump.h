#pragma once
#include <windows.h>

#include <string>

#include "tbx/Handles.h"

// Writes a mini dump of the process when a thread crashes, into
// <long temp dir><program file name>\v1.0-YYYYMMDD-hhmmss-<pid>-<tid>.dmp.
// Every failure is silent: the path is then empty and the user gets the
// generic message.
class CrashDumpWriter {
public:
    explicit CrashDumpWriter(std::string libraryName = "dbghelp.dll");

    // Loads the dump library ahead of a crash, when loading is still safe;
    // a library that cannot be loaded is tried again at the crash.
    void prepare() { loadLibrary(); }
    // Dumps the process with the exception of the crashed thread, which may
    // be another thread than the caller. Always answers
    // EXCEPTION_EXECUTE_HANDLER (1).
    LONG write(EXCEPTION_POINTERS* exception, DWORD crashedThreadId = GetCurrentThreadId());
    const std::string& dumpPath() const { return dumpPath_; }

private:
    bool loadLibrary();
    bool computePath(DWORD crashedThreadId);

    using MiniDumpWriter = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, int, void*, void*, void*);

    std::string libraryName_;
    tbx::Module dumpLibrary_;
    MiniDumpWriter miniDumpWriter_ = nullptr;
    std::string dumpPath_;
};

// The dump file's path for the given parts, cut to 259 bytes like the
// 260-byte buffer it is formatted into.
std::string crashDumpFileName(const std::string& tempDirectory, const std::string& programName, const SYSTEMTIME& time,
                              DWORD processId, DWORD threadId);

// The message shown after a crash: where the dump lies, or the generic text.
std::string crashMessage(const std::string& path);
