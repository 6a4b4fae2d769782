#include "DialogDriver.h"

#include <dlgs.h>

#include <gtest/gtest.h>

namespace movara_test {

namespace {

BOOL CALLBACK findVisibleDialog(HWND window, LPARAM out) {
    char name[16];
    if (GetClassNameA(window, name, sizeof(name)) && lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND findDialogOf(DWORD threadId, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        HWND found = nullptr;
        EnumThreadWindows(threadId, findVisibleDialog, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        Sleep(10);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

DialogDriver::DialogDriver(std::function<void(HWND)> script, DWORD timeoutMs, Expect expect)
    : script_(std::move(script)),
      owner_(GetCurrentThreadId()),
      timeoutMs_(timeoutMs),
      expect_(expect),
      started_(GetTickCount()) {
    thread_.reset(CreateThread(nullptr, 0, run, this, 0, nullptr));
}

DialogDriver::~DialogDriver() {
    stop_ = true;
    if (WaitForSingleObject(thread_.get(), 30000) != WAIT_OBJECT_0)
        ADD_FAILURE() << "the dialog's script did not end within 30 s";
    long foundAfter = foundAfterMs_;
    if (foundAfter < 0 && expect_ == ExpectDialog)
        ADD_FAILURE() << "no dialog of the thread appeared while the command ran";
    if (foundAfter > static_cast<long>(timeoutMs_))
        ADD_FAILURE() << "the dialog appeared only after " << foundAfter << " ms (allowed: " << timeoutMs_ << " ms)";
}

DWORD WINAPI DialogDriver::run(void* self) {
    auto* driver = static_cast<DialogDriver*>(self);
    while (!driver->stop_) {
        HWND dialog = findDialogOf(driver->owner_, 0);
        if (dialog) {
            driver->foundAfterMs_ = static_cast<long>(GetTickCount() - driver->started_);
            driver->script_(dialog);
            return 0;
        }
        Sleep(10);
    }
    return 0;
}

void typeAndConfirm(HWND fileDialog, const std::string& text) {
    SetDlgItemTextA(fileDialog, cmb13, text.c_str());
    PostMessageA(GetDlgItem(fileDialog, IDOK), BM_CLICK, 0, 0);
}

std::string messageBoxText(HWND box) {
    char text[1024] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    return text;
}

std::string windowText(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

}  // namespace movara_test
