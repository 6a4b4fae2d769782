#include "services/controls/FlashExServiceComModule.h"

#include <string>

#include "bridge/host/CShockwaveflash1.h"
#include "bridge/host/FlashExHost.h"
#include "tbx/FlashExException.h"
#include "bridge/values/FlashExRequest.h"
#include "tbx/MvException.h"
#include "services/controls/ControlName.h"
#include "services/controls/ControlPicture.h"
#include "services/common/ServiceArguments.h"
#include "framework/AxWindow.h"
#include "player/host/PlayerHost.h"
#include "security/SecurityPolicy.h"

// In the order in which invoke looks for a command.
const ServiceCommand<FlashExServiceComModule> FlashExServiceComModule::kCommands[] = {
    {"axWindow", &FlashExServiceComModule::axWindow, 7, 7},
    {"axWindowDelete", &FlashExServiceComModule::axWindowDelete, 1, 1},
    {"axWindowSetPos", &FlashExServiceComModule::axWindowSetPos, 3, 5},
    {"axWindowSetFocus", &FlashExServiceComModule::axWindowSetFocus, 1, 1},
    {"axWindowHide", &FlashExServiceComModule::axWindowHide, 1, 1},
    {"axWindowShow", &FlashExServiceComModule::axWindowShow, 1, 1},
    {"axWindowCapture", &FlashExServiceComModule::axWindowCapture, 2, 2},
};

std::vector<CommandSignature> FlashExServiceComModule::commands() const { return signaturesOf(kCommands); }

namespace {

const char* const kNoWindow = "対象ウィンドウが正しくありません。";

// Loads the movie into the player hosted by the window; a player that
// refuses either call simply shows no movie.
void loadMovie(const fw::AxWindow& window, const std::string& movie) {
    auto dispatch = window.dispatch();
    if (!dispatch) return;
    CShockwaveflash1 player(dispatch.get());
    try {
        player.EnforceLocalSecurity();
    } catch (const FlashExDispatchException&) {
    }
    try {
        player.SetMovieByName(movie);
    } catch (const FlashExDispatchException&) {
    }
}

}  // namespace

FlashExServiceComModule::~FlashExServiceComModule() {
    activeWindow_ = nullptr;
    windows_.clear();
}

bool FlashExServiceComModule::invoke(FlashExRequest& request, ParamPtr& result) {
    return runCommand(*this, kCommands, request, result);
}

bool FlashExServiceComModule::preTranslateMessage(MSG* msg) {
    if (!activeWindow_ || !activeWindow_->inPlaceObject || !activeWindow_->exists()) return false;
    // Held for the call: the control may run a message loop in which the
    // movie deletes its window.
    tbx::ComPtr<IOleInPlaceActiveObject> control = activeWindow_->inPlaceObject;
    return control->TranslateAccelerator(msg) == S_OK;
}

size_t FlashExServiceComModule::indexOf(const FlashExRequest& request) const {
    int index = intArgument(request, 0);
    if (index < 0 || static_cast<size_t>(index) >= windows_.size() || !windows_[index])
        throw FlashExException("ウィンドウの番号が正しくありません。");
    return static_cast<size_t>(index);
}

MvAxWinInfo& FlashExServiceComModule::entry(const FlashExRequest& request) { return *windows_[indexOf(request)]; }

HWND FlashExServiceComModule::existingWindow(const FlashExRequest& request) {
    MvAxWinInfo& info = entry(request);
    if (!info.exists()) throw MvException(kNoWindow);
    return info.window();
}

ParamPtr FlashExServiceComModule::axWindow(FlashExRequest& request) {
    // A name that reaches a file shows it: judged for reading, used as judged.
    const std::string name = judgedControlName(policy_, stringArgument(request, 0));
    int x = intArgument(request, 1);
    int y = intArgument(request, 2);
    int width = intArgument(request, 3);
    int height = intArgument(request, 4);
    DWORD style = uintArgument(request, 5);
    DWORD exStyle = uintArgument(request, 6);

    bool movie = isMovieName(name);
    // Where the Flash player is not installed the stand-in plays the movie.
    std::string title = movie ? player::playerControlText() : name;
    // A control that cannot be created leaves an entry without a usable window.
    fw::AxWindow window(host_.playerWindow(), title, {x, y, width, height, style, exStyle, 0});
    if (movie) loadMovie(window, name);
    if (window.window()) SetFocus(window.window());
    auto activeObject = window.control().query<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
    windows_.push_back(std::make_unique<MvAxWinInfo>(std::move(window), std::move(activeObject)));
    if (style & WS_VISIBLE) activeWindow_ = windows_.back().get();
    return paramInt(static_cast<int>(windows_.size() - 1));
}

ParamPtr FlashExServiceComModule::axWindowDelete(FlashExRequest& request) {
    size_t index = indexOf(request);
    if (activeWindow_ == windows_[index].get()) activeWindow_ = nullptr;
    // The slot is emptied before the window goes, so nothing reached while
    // it is destroyed finds a half-deleted entry.
    std::unique_ptr<MvAxWinInfo> going = std::move(windows_[index]);
    return nullptr;
}

ParamPtr FlashExServiceComModule::axWindowSetPos(FlashExRequest& request) {
    HWND window = existingWindow(request);
    int width = intArgument(request, 1);
    int height = intArgument(request, 2);
    RECT current;
    GetWindowRect(window, &current);
    if (width == -1) width = current.right - current.left;
    if (height == -1) height = current.bottom - current.top;
    if (request.arguments.size() > 3) {
        int x = intArgument(request, 3);
        int y = intArgument(request, 4);
        SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER);
    } else {
        SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE);
    }
    return nullptr;
}

ParamPtr FlashExServiceComModule::axWindowSetFocus(FlashExRequest& request) {
    HWND window = existingWindow(request);
    activeWindow_ = &entry(request);
    SetFocus(window);
    return nullptr;
}

ParamPtr FlashExServiceComModule::axWindowHide(FlashExRequest& request) {
    MvAxWinInfo& info = entry(request);
    if (activeWindow_ == &info) activeWindow_ = nullptr;
    ShowWindow(existingWindow(request), SW_HIDE);
    return nullptr;
}

ParamPtr FlashExServiceComModule::axWindowShow(FlashExRequest& request) {
    HWND window = existingWindow(request);
    activeWindow_ = &entry(request);
    ShowWindow(window, SW_SHOW);
    SetFocus(window);
    return nullptr;
}

ParamPtr FlashExServiceComModule::axWindowCapture(FlashExRequest& request) {
    MvAxWinInfo& info = entry(request);
    const std::string& path = stringArgument(request, 1);
    if (!info.hostWindow.host()) throw MvException(kNoWindow);
    // The picture is a file the movie writes: the file policy decides.
    std::string target = policy_.checkWrite(path);
    saveControlPictureAsPng(info.window(), target, encoders_);
    return nullptr;
}
