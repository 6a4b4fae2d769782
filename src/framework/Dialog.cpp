#include "framework/Dialog.h"

#include <windowsx.h>

#include "tbx/Guards.h"

namespace fw {

Dialog::Dialog(UINT templateId, HINSTANCE resources)
    : templateId_(templateId), resources_(resources ? resources : GetModuleHandleA(nullptr)) {}

Dialog::~Dialog() { DestroyWindow(); }

void Dialog::hostControl(int id, const std::string& classText, const IID& eventIid) {
    hosted_[id] = Hosted{classText, eventIid, nullptr};
}

ActiveXControl* Dialog::control(int id) {
    auto found = hosted_.find(id);
    return found == hosted_.end() ? nullptr : found->second.control.get();
}

const ActiveXControl* Dialog::control(int id) const {
    auto found = hosted_.find(id);
    return found == hosted_.end() ? nullptr : found->second.control.get();
}

HWND Dialog::createWindow(HWND owner) {
    ended_ = false;
    return CreateDialogParamA(resources_, MAKEINTRESOURCEA(templateId_), owner, dialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::DoModal(HWND owner) {
    modal_ = true;
    if (!createWindow(owner)) {
        modal_ = false;
        return -1;
    }
    bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (ownerEnabled) EnableWindow(owner, FALSE);
    if (window_ && !ended_) ShowWindow(window_, SW_SHOW);
    MSG msg;
    while (window_ && !ended_) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT ends the dialog and stays for the enclosing loop.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            if (!ended_) result_ = IDCANCEL;
            break;
        }
        if (PreTranslateMessage(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (ownerEnabled) EnableWindow(owner, TRUE);
    DestroyWindow();
    modal_ = false;
    return result_;
}

bool Dialog::Create(HWND owner) {
    modal_ = false;
    return createWindow(owner) != nullptr;
}

void Dialog::EndDialog(INT_PTR result) {
    result_ = result;
    if (modal_) {
        ended_ = true;
        if (window_) ShowWindow(window_, SW_HIDE);
        // Wakes the loop of DoModal when nothing else is queued.
        PostMessageA(window_, WM_NULL, 0, 0);
    } else {
        DestroyWindow();
    }
}

void Dialog::DestroyWindow() {
    if (window_ && IsWindow(window_)) ::DestroyWindow(window_);
    window_ = nullptr;
}

BOOL Dialog::PreTranslateMessage(MSG* msg) { return window_ && IsDialogMessageA(window_, msg); }

INT_PTR CALLBACK Dialog::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->window_ = window;
        SetWindowLongPtrA(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR answer = self->handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        if (self->window_ == window) self->window_ = nullptr;
    }
    return answer;
}

INT_PTR Dialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    return tbx::guardWindowProcedure([&] { return route(message, wParam, lParam); },
                                     [&](const CaughtError& error) -> INT_PTR {
                                         SetWindowLongPtrA(window_, DWLP_MSGRESULT, 0);
                                         // A failure during destruction is only traced: the window is going.
                                         if (message == WM_DESTROY || message == WM_NCDESTROY)
                                             tbx::traceFailure("dialog destruction", error);
                                         else
                                             OnHandlerException();
                                         return TRUE;
                                     });
}

INT_PTR Dialog::route(UINT message, WPARAM wParam, LPARAM lParam) {
    auto answer = [this](LRESULT value) {
        SetWindowLongPtrA(window_, DWLP_MSGRESULT, value);
        return TRUE;
    };
    switch (message) {
        case WM_INITDIALOG:
            createHostedControls();
            return OnInitDialog();
        case WM_PAINT:
            return OnPaint() ? answer(0) : FALSE;
        case WM_ERASEBKGND:
            return OnEraseBkgnd(reinterpret_cast<HDC>(wParam)) ? answer(1) : FALSE;
        case WM_SIZE:
            OnSize(static_cast<UINT>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return FALSE;
        case WM_MOVE:
            OnMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return FALSE;
        case WM_CLOSE:
            return OnClose() ? answer(0) : FALSE;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return answer(0);
        case WM_DESTROY:
            OnDestroy();
            for (auto& entry : hosted_) entry.second.control.reset();
            return FALSE;
        case WM_COMMAND: {
            WORD id = LOWORD(wParam);
            if (id == IDOK && HIWORD(wParam) == BN_CLICKED) {
                OnOK();
                return TRUE;
            }
            if (id == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
            return OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
        }
        default: {
            LRESULT result = 0;
            return OnMessage(message, wParam, lParam, result) ? answer(result) : FALSE;
        }
    }
}

void Dialog::createHostedControls() {
    for (auto& entry : hosted_) {
        int id = entry.first;
        RECT rect = {0, 0, 0, 0};
        DWORD style = WS_VISIBLE | WS_TABSTOP;
        if (HWND placeholder = GetDlgItem(window_, id)) {
            GetWindowRect(placeholder, &rect);
            MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
            style = static_cast<DWORD>(GetWindowLongA(placeholder, GWL_STYLE)) & (WS_VISIBLE | WS_TABSTOP);
            ::DestroyWindow(placeholder);
        }
        auto control = std::make_unique<ActiveXControl>();
        control->create(window_, id, rect, style, entry.second.classText);
        if (!IsEqualIID(entry.second.eventIid, GUID_NULL)) control->advise(entry.second.eventIid, this);
        entry.second.control = std::move(control);
    }
}

void Dialog::onControlEvent(int controlId, DISPID id, DISPPARAMS* params, VARIANT* result) {
    tbx::guardWindowProcedure([&] { OnEvent(controlId, id, params, result); },
                              [this](const CaughtError&) { OnHandlerException(); });
}

}  // namespace fw
