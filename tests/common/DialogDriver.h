#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "tbx/Handles.h"

namespace movara_test {

// The first visible dialog window (class "#32770": message boxes and the
// common dialogs) of a thread, waiting up to timeoutMs for it; or null.
HWND findDialogOf(DWORD threadId, DWORD timeoutMs = 5000);

// Drives the modal dialog that the constructing thread is about to run: a
// second thread waits for that thread's dialog and runs script on it (never
// when no dialog appears within timeoutMs). Dialogs are found by class and
// thread and their controls by id, never by their localised texts. The
// destructor waits for the script.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> script, DWORD timeoutMs = 5000);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

private:
    static DWORD WINAPI run(void* self);
    std::function<void(HWND)> script_;
    DWORD owner_;
    DWORD timeoutMs_;
    tbx::KernelHandle thread_;
};

// Types text into a file dialog's name box and presses its OK button: opens
// a file, or shows a folder when text names one.
void typeAndConfirm(HWND fileDialog, const std::string& text);

// The text of a message box (its static control 0xFFFF) and its caption.
std::string messageBoxText(HWND box);
std::string windowText(HWND window);

}  // namespace movara_test
