#include "dialog/FlashExDlg.h"

#include <shellapi.h>

#include <vector>

#include "bridge/values/FlashExParam.h"
#include "bridge/host/FlashExMovieCall.h"
#include "bridge/values/FlashExParse.h"
#include "tbx/ErrorBoundary.h"
#include "tbx/Trace.h"

namespace {

// How often a watched movie file is looked at.
const UINT_PTR kMovieWatchTimer = 0x4D57;
const UINT kMovieWatchMs = 250;

bool keyIsDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

int modifierMask() {
    return (keyIsDown(VK_CONTROL) ? 1 : 0) + (keyIsDown(VK_SHIFT) ? 2 : 0) + (keyIsDown(VK_MENU) ? 4 : 0);
}

}  // namespace

FlashExDlg::FlashExDlg(UINT templateId, HINSTANCE resources) : PlayerDialog(templateId, resources) {}

FlashExDlg::~FlashExDlg() = default;

void FlashExDlg::setup(bool fitPlayer, const std::string& movie, FlashExServiceManager* serviceManager, int width,
                       int height) {
    wantExtEvents_ = false;
    fitPlayerToClient_ = fitPlayer;
    moviePath_ = movie;
    setServiceManager(serviceManager);
    initialWidth_ = width;
    initialHeight_ = height;
}

void FlashExDlg::setInitialPosition(int x, int y) {
    initialX_ = x;
    initialY_ = y;
}

void FlashExDlg::setIcons(tbx::Icon smallIcon, tbx::Icon bigIcon) {
    SendMessageA(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
    SendMessageA(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
    // The window keeps using the icons, so they live as long as the dialog.
    smallIcon_ = std::move(smallIcon);
    bigIcon_ = std::move(bigIcon);
}

BOOL FlashExDlg::OnInitDialog() {
    PlayerDialog::OnInitDialog();
    dropTarget_.Register(window());
    if (!moviePath_.empty()) loadMovie(moviePath_);
    if (watching_ && !moviePath_.empty()) {
        movieWatch_ = std::make_unique<MovieWatch>(moviePath_);
        SetTimer(window(), kMovieWatchTimer, kMovieWatchMs, nullptr);
    }

    UINT flags = SWP_NOZORDER;
    if (initialWidth_ == -1) flags |= SWP_NOSIZE;
    if (initialX_ == -1) flags |= SWP_NOMOVE;
    SetWindowPos(window(), nullptr, initialX_, initialY_, initialWidth_, initialHeight_, flags);
    return TRUE;
}

std::vector<PlayerSetting> FlashExDlg::playerSettings() const {
    std::vector<PlayerSetting> settings = {
        {u"WMode", "Window", -1},        {u"Quality", "High", 1},          {u"ScaleMode", "NoBorder", 1},
        {u"Playing", nullptr, -1},       {u"Loop", nullptr, -1},           {u"Menu", nullptr, -1},
        {u"AllowNetworking", "all", -1}, {u"AllowFullScreen", "true", -1},
    };
    if (!scriptTimeLimit_.empty()) settings.push_back({u"ScriptTimeLimit", scriptTimeLimit_.c_str(), -1});
    if (!debugPort_.empty()) settings.push_back({u"DebugPort", debugPort_.c_str(), -1});
    if (watching_ || !debugPort_.empty()) settings.push_back({u"ShowScriptErrors", nullptr, -1});
    return settings;
}

bool FlashExDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message != WM_TIMER || wParam != kMovieWatchTimer || !movieWatch_) return false;
    if (movieWatch_->changed()) {
        tbx::traceLine("movara: " + moviePath_ + " changed, reloading it");
        loadMovie(moviePath_);
    }
    return true;
}

void FlashExDlg::loadMovie(const std::string& path) {
    wantExtEvents_ = false;
    playMovie(path);
}

ParamPtr FlashExDlg::sendEvent(const std::string& name, std::vector<ParamPtr> arguments) {
    try {
        return callMovieFunction(player_, name, std::move(arguments));
    } catch (...) {
        // A failed event never disturbs the message that caused it.
        return nullptr;
    }
}

bool FlashExDlg::translateExtEvent(MSG* msg, bool& dispatchDirectly) {
    switch (msg->message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            sendEvent("onExtKeyDown", makeArguments(paramInt(static_cast<int>(msg->wParam)), paramInt(modifierMask())));
            if (msg->message == WM_SYSKEYDOWN) return true;
            // Enter and Escape reach the player and never end the dialog.
            dispatchDirectly = msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE;
            return false;
        case WM_LBUTTONUP: {
            POINT cursor;
            GetCursorPos(&cursor);
            ScreenToClient(playerWindow(), &cursor);
            sendEvent("onExtMouseUp", makeArguments(paramInt(cursor.x), paramInt(cursor.y)));
            ReleaseCapture();
            return false;
        }
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK: {
            ParamPtr answer = sendEvent("onExtRButtonDown");
            if (answer && answer->kind() == ParamKind::Bool && answer->getBool()) return true;
            dispatchDirectly = true;
            return false;
        }
        default:
            return false;
    }
}

BOOL FlashExDlg::PreTranslateMessage(MSG* msg) {
    if (servicesTakeMessage(msg)) return TRUE;
    if (wantExtEvents_) {
        bool dispatchDirectly = false;
        if (translateExtEvent(msg, dispatchDirectly)) return TRUE;
        if (dispatchDirectly) return FALSE;
    }
    return fw::Dialog::PreTranslateMessage(msg);
}

void FlashExDlg::OnSize(UINT type, int width, int height) {
    HWND playerHost = playerWindow();
    if (!fitPlayerToClient_ || !playerHost) return;
    RECT client;
    GetClientRect(window(), &client);
    MoveWindow(playerHost, 0, 0, client.right, client.bottom, FALSE);
}

void FlashExDlg::OnMove(int x, int y) {
    if (playerWindow()) sendEvent("onMoveWindow");
}

bool FlashExDlg::OnClose() {
    if (!wantExtEvents_ || !extCloseEnabled_) return false;
    try {
        callMovieFunction(player_, "onExtClose");
        return true;  // the movie decides; "closeApp" ends the program
    } catch (...) {
        return false;
    }
}

void FlashExDlg::OnDropFiles(HDROP drop) {
    auto files = std::make_unique<FlashExParamArray>();
    try {
        UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            // Sized from the path's own length, so long paths arrive whole.
            std::vector<char> buffer(DragQueryFileA(drop, i, nullptr, 0) + 1);
            DragQueryFileA(drop, i, buffer.data(), static_cast<UINT>(buffer.size()));
            files->pushString(buffer.data());
        }
        DragFinish(drop);
        drop = nullptr;
        if (playerWindow()) callMovieFunction(player_, "onExtDropFiles", makeArguments(std::move(files)));
    } catch (...) {
        MessageBoxA(window(), caughtError().textOr("未定義のエラー").c_str(), nullptr, MB_OK);
    }
    if (drop) DragFinish(drop);
}

void FlashExDlg::OnDestroy() {
    dropTarget_.Revoke();
    PlayerDialog::OnDestroy();
}
