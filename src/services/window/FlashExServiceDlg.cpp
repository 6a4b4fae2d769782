#include "services/window/FlashExServiceDlg.h"

#include "tbx/FlashExException.h"
#include "bridge/host/FlashExHost.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/host/ApiKey.h"
#include "services/common/ServiceArguments.h"
#include "services/common/ServiceResults.h"
#include "security/SecurityPolicy.h"

const ServiceCommand<FlashExServiceDlg> FlashExServiceDlg::kCommands[] = {
    {"lockApi", &FlashExServiceDlg::lockApi, 0, 0},
    {"wantExtEvents", &FlashExServiceDlg::wantExtEvents, 0, 0},
    {"closeApp", &FlashExServiceDlg::closeApp, 0, 0},
    {"setWindowTitle", &FlashExServiceDlg::setWindowTitle, 1, 1},
    {"moveWindow", &FlashExServiceDlg::moveWindow, 2, 4},
    {"hideWindow", &FlashExServiceDlg::hideWindow, 0, 0},
    {"showWindow", &FlashExServiceDlg::showWindow, 0, 0},
    {"getWindowRect", &FlashExServiceDlg::getWindowRect, 0, 0},
    {"updateWindow", &FlashExServiceDlg::updateWindow, 0, 0},
    {"setForegroundWindow", &FlashExServiceDlg::setForegroundWindow, 0, 0},
    {"setIcon", &FlashExServiceDlg::setIcon, 1, 1},
    {"setCapture", &FlashExServiceDlg::setCapture, 0, 0},
};

std::vector<CommandSignature> FlashExServiceDlg::commands() const { return signaturesOf(kCommands); }

bool FlashExServiceDlg::invoke(FlashExRequest& request, ParamPtr& result) {
    return runCommand(*this, kCommands, request, result);
}

ParamPtr FlashExServiceDlg::lockApi(FlashExRequest&) {
    if (!host_.apiKey().empty()) throw FlashExException("error api already locked");
    host_.lockApi(newApiKey());
    return paramString(host_.apiKey());
}

ParamPtr FlashExServiceDlg::wantExtEvents(FlashExRequest&) {
    host_.enableExtEvents();
    return nullptr;
}

ParamPtr FlashExServiceDlg::closeApp(FlashExRequest&) {
    host_.disableExtClose();
    PostMessageA(host_.hostWindow(), WM_CLOSE, 0, 0);
    return nullptr;
}

ParamPtr FlashExServiceDlg::setWindowTitle(FlashExRequest& request) {
    const char* title = textArgument(request, 0);
    SetWindowTextA(host_.hostWindow(), title ? title : "");
    return nullptr;
}

ParamPtr FlashExServiceDlg::moveWindow(FlashExRequest& request) {
    RECT rect;
    GetWindowRect(host_.hostWindow(), &rect);
    int width = optionalIntArgument(request, 2, rect.right - rect.left);
    int height = optionalIntArgument(request, 3, rect.bottom - rect.top);
    int x = intArgument(request, 0);
    int y = intArgument(request, 1);
    MoveWindow(host_.hostWindow(), x, y, width, height, TRUE);
    return nullptr;
}

ParamPtr FlashExServiceDlg::hideWindow(FlashExRequest&) {
    ShowWindow(host_.hostWindow(), SW_HIDE);
    return nullptr;
}

ParamPtr FlashExServiceDlg::showWindow(FlashExRequest&) {
    ShowWindow(host_.hostWindow(), SW_SHOW);
    return nullptr;
}

ParamPtr FlashExServiceDlg::getWindowRect(FlashExRequest&) {
    RECT rect;
    GetWindowRect(host_.hostWindow(), &rect);
    return rectangleObject(rect);
}

ParamPtr FlashExServiceDlg::updateWindow(FlashExRequest&) {
    UpdateWindow(host_.hostWindow());
    return nullptr;
}

ParamPtr FlashExServiceDlg::setForegroundWindow(FlashExRequest&) {
    SetForegroundWindow(host_.hostWindow());
    return nullptr;
}

ParamPtr FlashExServiceDlg::setIcon(FlashExRequest& request) {
    // An unloadable file gives no icon, which is set all the same.
    const char* path = textArgument(request, 0);
    const char* file = path ? path : "";
    policy_.checkNetworkPath(file, AccessRead);
    tbx::Icon smallIcon(
        static_cast<HICON>(LoadImageA(nullptr, file, IMAGE_ICON, 16, 16, LR_LOADFROMFILE | LR_DEFAULTSIZE)));
    tbx::Icon bigIcon(
        static_cast<HICON>(LoadImageA(nullptr, file, IMAGE_ICON, 32, 32, LR_LOADFROMFILE | LR_DEFAULTSIZE)));
    host_.setIcons(std::move(smallIcon), std::move(bigIcon));
    return nullptr;
}

ParamPtr FlashExServiceDlg::setCapture(FlashExRequest&) {
    SetCapture(host_.playerWindow());
    return nullptr;
}
