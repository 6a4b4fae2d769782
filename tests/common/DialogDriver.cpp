#include "DialogDriver.h"

#include <dlgs.h>

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

DialogDriver::DialogDriver(std::function<void(HWND)> script, DWORD timeoutMs)
    : script_(std::move(script)), owner_(GetCurrentThreadId()), timeoutMs_(timeoutMs) {
    thread_.reset(CreateThread(nullptr, 0, run, this, 0, nullptr));
}

DialogDriver::~DialogDriver() { WaitForSingleObject(thread_.get(), timeoutMs_ + 10000); }

DWORD WINAPI DialogDriver::run(void* self) {
    auto* driver = static_cast<DialogDriver*>(self);
    if (HWND dialog = findDialogOf(driver->owner_, driver->timeoutMs_)) driver->script_(dialog);
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
