#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "tbx/Handles.h"

namespace movara_test {

// The first visible dialog window (class "#32770": message boxes and the
// common dialogs) of a thread, waiting up to timeoutMs for it; or null.
HWND findDialogOf(DWORD threadId, DWORD timeoutMs = 5000);

// Drives the modal dialog that the constructing thread is about to run: a
// second thread watches that thread for a dialog as long as the driver lives
// and runs script on the first one, however late it comes, so the command
// that shows it always returns. Dialogs are found by class and thread and
// their controls by id, never by their localised texts. On destruction the
// test fails when the dialog came later than timeoutMs, or (unless the driver
// only guards against one) never came.
class DialogDriver {
public:
    enum Expect { ExpectDialog, GuardAgainstDialog };
    explicit DialogDriver(std::function<void(HWND)> script, DWORD timeoutMs = 30000, Expect expect = ExpectDialog);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

private:
    static DWORD WINAPI run(void* self);
    std::function<void(HWND)> script_;
    DWORD owner_;
    DWORD timeoutMs_;
    Expect expect_;
    DWORD started_;
    std::atomic<bool> stop_{false};
    std::atomic<long> foundAfterMs_{-1};
    tbx::KernelHandle thread_;
};

// Types text into a file dialog's name box and presses its OK button: opens
// a file, or shows a folder when text names one.
void typeAndConfirm(HWND fileDialog, const std::string& text);

// The text of a message box (its static control 0xFFFF) and its caption.
std::string messageBoxText(HWND box);
std::string windowText(HWND window);

}  // namespace movara_test
