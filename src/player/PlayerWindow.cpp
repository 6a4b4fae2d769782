#include "player/PlayerControl.h"

#include <algorithm>

#include "player/PlayerModule.h"
#include "tbx/Guards.h"
#include "tbx/Handles.h"
#include "tbx/TextConversion.h"

// The control's own window: the stage is painted here and the movie's timers
// and deferred loads arrive here as messages.
namespace player {

namespace {

const char* const kWindowClass = "MovaraPlayerStage";

ATOM registerWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        windowClass.lpfnWndProc = DefWindowProcA;  // replaced per window below
        windowClass.hInstance = playerModule();
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassExA(&windowClass);
    }();
    return atom;
}

// The keyboard messages a movie's accelerator handler sees, by name.
const char* keyMessageType(UINT message) {
    switch (message) {
        case WM_KEYDOWN:
            return "keyDown";
        case WM_KEYUP:
            return "keyUp";
        case WM_SYSKEYDOWN:
            return "sysKeyDown";
        case WM_SYSKEYUP:
            return "sysKeyUp";
        case WM_CHAR:
            return "char";
        case WM_SYSCHAR:
            return "sysChar";
        default:
            return nullptr;
    }
}

bool keyIsDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

int modifierMask() {
    return (keyIsDown(VK_CONTROL) ? 1 : 0) + (keyIsDown(VK_SHIFT) ? 2 : 0) + (keyIsDown(VK_MENU) ? 4 : 0);
}

}  // namespace

HRESULT STDMETHODCALLTYPE PlayerControl::TranslateAccelerator(LPMSG msg) {
    if (!msg) return E_INVALIDARG;
    const char* type = keyMessageType(msg->message);
    if (!type || !engine_) return S_FALSE;
    return tbx::guardComMethod(
        [&] {
            bool consumed = false;
            withEngine([&](ScriptEngine& engine) {
                consumed = engine.translateKey(static_cast<unsigned>(msg->wParam), type, modifierMask());
            });
            return consumed ? S_OK : S_FALSE;
        },
        tbx::traced("movie accelerator", S_FALSE));
}

void PlayerControl::createWindow(HWND parent, const RECT& rect) {
    if (!registerWindowClass()) return;
    window_ = CreateWindowExA(0, kWindowClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, playerModule(), nullptr);
    if (!window_) return;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProc));
    if (loadPending_) PostMessageA(window_, kLoadMessage, 0, 0);
}

void PlayerControl::destroyWindow() {
    if (!window_) return;
    HWND window = window_;
    window_ = nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    scriptTimers_.clear();
}

LRESULT CALLBACK PlayerControl::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<PlayerControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    // The host may release the control from inside an event: keep it alive.
    self->AddRef();
    LRESULT result = tbx::guardWindowProcedure([&] { return self->handleMessage(message, wParam, lParam); },
                                               tbx::traced("player window", LRESULT{0}));
    if (message == WM_NCDESTROY && self->window_ == window) {
        self->window_ = nullptr;
        self->scriptTimers_.clear();
    }
    self->Release();
    return result;
}

LRESULT PlayerControl::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            if (wParam) {
                paint(reinterpret_cast<HDC>(wParam));
            } else {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(window_, &ps);
                // Drawn off screen first so that the stage never flickers.
                RECT client;
                GetClientRect(window_, &client);
                tbx::MemoryDC memory(CreateCompatibleDC(dc));
                tbx::GdiObject bitmap(
                    CreateCompatibleBitmap(dc, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
                if (memory && bitmap) {
                    tbx::SelectedObject selected(memory.get(), bitmap.get());
                    paint(memory.get());
                    BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
                } else {
                    paint(dc);
                }
                EndPaint(window_, &ps);
            }
            return 0;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(window_, &client);
            tbx::GdiObject brush(CreateSolidBrush(toColorRef(stage_.backgroundColor())));
            FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(brush.get()));
            return 1;
        }
        case WM_TIMER:
            if (wParam == kLoadRetryTimer) {
                KillTimer(window_, kLoadRetryTimer);
                loadPendingMovie();
            } else if (wParam == kDebugTimer) {
                serveDebugClient();
            } else {
                UINT id = static_cast<UINT>(wParam);
                withEngine([id](ScriptEngine& engine) { engine.fireTimer(id); });
            }
            return 0;
        case kLoadMessage:
            loadPendingMovie();
            return 0;
        default:
            return DefWindowProcA(window_, message, wParam, lParam);
    }
}

void PlayerControl::paint(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    stage_.paint(dc, client, scaleMode(), alignment());
    if (!stageError_.empty()) paintStageError(dc, client);
}

ScaleMode PlayerControl::scaleMode() const {
    auto found = settings_.find(120);  // ScaleMode
    if (found == settings_.end()) return ScaleMode::ShowAll;
    const VARIANT& value = *found->second.get();
    if (V_VT(&value) == VT_BSTR) {
        std::string name = wideToMultiByte(reinterpret_cast<const char16_t*>(V_BSTR(&value)), CP_ACP);
        CharLowerA(&name[0]);
        if (name == "noborder") return ScaleMode::NoBorder;
        if (name == "exactfit") return ScaleMode::ExactFit;
        if (name == "noscale") return ScaleMode::NoScale;
        return ScaleMode::ShowAll;
    }
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_I4))) return ScaleMode::ShowAll;
    switch (V_I4(&number)) {
        case 1:
            return ScaleMode::NoBorder;
        case 2:
            return ScaleMode::ExactFit;
        case 3:
            return ScaleMode::NoScale;
        default:
            return ScaleMode::ShowAll;
    }
}

std::string PlayerControl::alignment() const {
    auto found = settings_.find(130);  // SAlign
    if (found == settings_.end() || found->second.type() != VT_BSTR) return {};
    return found->second.toAnsi();
}

}  // namespace player
