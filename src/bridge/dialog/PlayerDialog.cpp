#include "bridge/dialog/PlayerDialog.h"

#include "bridge/host/FlashExExternalCall.h"
#include "bridge/host/FlashExServiceManager.h"
#include "player/host/PlayerHost.h"
#include "player/host/PlayerIds.h"
#include "tbx/PathString.h"

namespace {

const char* const kHandlerFailure =
    "Flashコントロールで例外が発生しました。最新バージョンのFlashをインストールする事で解決する可能性があります。";

}  // namespace

PlayerDialog::PlayerDialog(UINT templateId, HINSTANCE resources) : fw::Dialog(templateId, resources) {
    hostControl(kPlayerId, player::playerControlText(), player::kPlayerEventsIid);
}

PlayerDialog::~PlayerDialog() = default;

void PlayerDialog::choosePlayer(const std::string& controlText) {
    hostControl(kPlayerId, controlText, player::kPlayerEventsIid);
}

HWND PlayerDialog::playerWindow() const {
    const fw::ActiveXControl* control = this->control(kPlayerId);
    return control ? control->window() : nullptr;
}

BOOL PlayerDialog::OnInitDialog() {
    if (fw::ActiveXControl* control = this->control(kPlayerId)) player_.attach(control->dispatch());
    applyPlayerSettings();
    return TRUE;
}

void PlayerDialog::applyPlayerSettings() {
    if (!player_.exists()) return;
    for (const PlayerSetting& setting : playerSettings()) {
        try {
            player_.PutSetting(setting);
        } catch (const FlashExDispatchException&) {
            // A player without this setting plays all the same.
        }
    }
}

const std::string& PlayerDialog::callKey() const {
    static const std::string none;
    return none;
}

void PlayerDialog::playMovie(const std::string& path) {
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

bool PlayerDialog::servicesTakeMessage(MSG* msg) { return manager_ && manager_->preTranslateMessage(msg); }

BOOL PlayerDialog::PreTranslateMessage(MSG* msg) {
    if (servicesTakeMessage(msg)) return TRUE;
    return fw::Dialog::PreTranslateMessage(msg);
}

void PlayerDialog::OnDestroy() { player_.release(); }

void PlayerDialog::OnEvent(int controlId, DISPID id, DISPPARAMS* params, VARIANT* result) {
    if (controlId != kPlayerId || id != player::kEventFlashCall || !manager_) return;
    if (!params || params->cArgs < 1 || V_VT(&params->rgvarg[0]) != VT_BSTR) return;
    handleExternalCall(reinterpret_cast<const char16_t*>(V_BSTR(&params->rgvarg[0])), *manager_, callKey(), player_);
}

void PlayerDialog::OnHandlerException() { MessageBoxA(window(), kHandlerFailure, nullptr, MB_OK); }
