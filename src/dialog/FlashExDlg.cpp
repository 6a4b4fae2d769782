#include "dialog/FlashExDlg.h"

#include <shellapi.h>

#include <vector>

#include "bridge/host/FlashExExternalCall.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/host/FlashExMovieCall.h"
#include "bridge/values/FlashExParse.h"
#include "bridge/host/FlashExServiceManager.h"
#include "tbx/ErrorBoundary.h"
#include "player/host/PlayerHost.h"
#include "player/host/PlayerIds.h"
#include "tbx/TextConversion.h"
#include "tbx/PathString.h"

namespace {

const char* const kHandlerFailure =
    "Flashコントロールで例外が発生しました。最新バージョンのFlashをインストールする事で解決する可能性があります。";

bool keyIsDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

int modifierMask() {
    return (keyIsDown(VK_CONTROL) ? 1 : 0) + (keyIsDown(VK_SHIFT) ? 2 : 0) + (keyIsDown(VK_MENU) ? 4 : 0);
}

}  // namespace

FlashExDlg::FlashExDlg(UINT templateId, HINSTANCE resources) : fw::Dialog(templateId, resources) {
    hostControl(kPlayerId, player::playerControlText(), player::kPlayerEventsIid);
}

FlashExDlg::~FlashExDlg() = default;

void FlashExDlg::setup(bool fitPlayer, const std::string& movie, FlashExServiceManager* serviceManager, int width,
                       int height) {
    wantExtEvents_ = false;
    fitPlayerToClient_ = fitPlayer;
    moviePath_ = movie;
    manager_ = serviceManager;
    initialWidth_ = width;
    initialHeight_ = height;
}

void FlashExDlg::setInitialPosition(int x, int y) {
    initialX_ = x;
    initialY_ = y;
}

HWND FlashExDlg::playerWindow() const {
    const fw::ActiveXControl* control = this->control(kPlayerId);
    return control ? control->window() : nullptr;
}

void FlashExDlg::setIcons(tbx::Icon smallIcon, tbx::Icon bigIcon) {
    SendMessageA(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
    SendMessageA(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
    // The window keeps using the icons, so they live as long as the dialog.
    smallIcon_ = std::move(smallIcon);
    bigIcon_ = std::move(bigIcon);
}

BOOL FlashExDlg::OnInitDialog() {
    if (fw::ActiveXControl* control = this->control(kPlayerId)) player_.attach(control->dispatch());
    applyPlayerSettings();
    if (manager_) manager_->setWindows(window(), playerWindow());
    dropTarget_.Register(window());
    if (!moviePath_.empty()) loadMovie(moviePath_);

    UINT flags = SWP_NOZORDER;
    if (initialWidth_ == -1) flags |= SWP_NOSIZE;
    if (initialX_ == -1) flags |= SWP_NOMOVE;
    SetWindowPos(window(), nullptr, initialX_, initialY_, initialWidth_, initialHeight_, flags);
    return TRUE;
}

std::vector<PlayerSetting> FlashExDlg::playerSettings() const {
    return {
        {u"WMode", "Window", -1},        {u"Quality", "High", 1},          {u"ScaleMode", "NoBorder", 1},
        {u"Playing", nullptr, -1},       {u"Loop", nullptr, -1},           {u"Menu", nullptr, -1},
        {u"AllowNetworking", "all", -1}, {u"AllowFullScreen", "true", -1},
    };
}

void FlashExDlg::applyPlayerSettings() {
    if (!player_.exists()) return;
    for (const PlayerSetting& setting : playerSettings()) {
        try {
            player_.PutSetting(setting);
        } catch (const FlashExDispatchException&) {
            // A player without this setting plays all the same.
        }
    }
}

void FlashExDlg::loadMovie(const std::string& path) {
    wantExtEvents_ = false;
    // Everything after the first "?" is the movie's FlashVars query.
    size_t question = tbx::find_character(path, '?');
    std::string movie = path.substr(0, question);
    player_.SetFlashVars(question == std::string::npos ? std::string() : path.substr(question + 1));

    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(current), current);
    std::string local = std::string(current) + "\\" + movie;
    DWORD attributes = local.size() < 1024 ? GetFileAttributesA(local.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        player_.SetMovie(local);
    else
        player_.SetMovie(path);
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
    if (manager_ && manager_->preTranslateMessage(msg)) return TRUE;
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
    player_.release();
}

void FlashExDlg::OnEvent(int controlId, DISPID id, DISPPARAMS* params, VARIANT* result) {
    if (controlId != kPlayerId || id != player::kEventFlashCall || !manager_) return;
    if (!params || params->cArgs < 1 || V_VT(&params->rgvarg[0]) != VT_BSTR) return;
    std::string text = wideToMultiByte(reinterpret_cast<const char16_t*>(V_BSTR(&params->rgvarg[0])), CP_ACP);
    handleExternalCall(text, *manager_, apiKey_, player_);
}

void FlashExDlg::OnHandlerException() { MessageBoxA(window(), kHandlerFailure, nullptr, MB_OK); }
