#pragma once
#include <string>

#include "tbx/Handles.h"

// The append-only log file "log" of the movie. It is opened in the current
// directory at the first append and kept open, denying other writers. Line
// feeds are written as CR LF; no line break is added.
class LogFile {
public:
    LogFile() = default;
    // Opens the file when needed (FlashExException when it cannot; the next
    // append tries again), then writes the text, if any, and flushes.
    void append(const char* text);
    bool isOpen() const { return file_.valid(); }

private:
    tbx::FileHandle file_;
};

// Appends to the process's log file.
void appendLog(const char* text);
