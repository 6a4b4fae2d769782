#include "FlashEx/dialog/FlashExServiceDlg.h"

#include "FlashEx/FlashExException.h"
#include "FlashEx/FlashExParam.h"
#include "FlashEx/FlashExRequest.h"
#include "FlashEx/dialog/ApiKey.h"
#include "FlashEx/dialog/FlashExDlg.h"

bool FlashExServiceDlg::invoke(FlashExRequest& request, ParamPtr& result) {
    const std::string& name = request.name;
    const FlashExParamArguments& arguments = request.arguments;
    HWND window = dialog->window();
    if (name == "lockApi") {
        result = lockApi();
    } else if (name == "wantExtEvents") {
        dialog->wantExtEvents = true;
    } else if (name == "closeApp") {
        dialog->extCloseEnabled = false;
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else if (name == "setWindowTitle") {
        const char* title = arguments.at(0)->getCString();
        SetWindowTextA(window, title ? title : "");
    } else if (name == "moveWindow") {
        moveWindow(request);
    } else if (name == "hideWindow") {
        ShowWindow(window, SW_HIDE);
    } else if (name == "showWindow") {
        ShowWindow(window, SW_SHOW);
    } else if (name == "getWindowRect") {
        result = getWindowRect();
    } else if (name == "updateWindow") {
        UpdateWindow(window);
    } else if (name == "setForegroundWindow") {
        SetForegroundWindow(window);
    } else if (name == "setIcon") {
        setIcon(arguments.at(0)->getCString());
    } else if (name == "setCapture") {
        SetCapture(dialog->playerWindow());
    } else {
        return false;
    }
    return true;
}

ParamPtr FlashExServiceDlg::lockApi() {
    if (!dialog->apiKey.empty()) throw FlashExException("error api already locked");
    dialog->apiKey = newApiKey();
    return paramString(dialog->apiKey);
}

void FlashExServiceDlg::moveWindow(const FlashExRequest& request) {
    const FlashExParamArguments& arguments = request.arguments;
    RECT rect;
    GetWindowRect(dialog->window(), &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (arguments.size() > 2) width = arguments.at(2)->getInt();
    if (arguments.size() > 3) height = arguments.at(3)->getInt();
    int x = arguments.at(0)->getInt();
    int y = arguments.at(1)->getInt();
    MoveWindow(dialog->window(), x, y, width, height, TRUE);
}

ParamPtr FlashExServiceDlg::getWindowRect() {
    RECT rect;
    GetWindowRect(dialog->window(), &rect);
    auto object = std::make_unique<FlashExParamObject>();
    object->setProperty("left", paramInt(rect.left));
    object->setProperty("top", paramInt(rect.top));
    object->setProperty("right", paramInt(rect.right));
    object->setProperty("bottom", paramInt(rect.bottom));
    return object;
}

void FlashExServiceDlg::setIcon(const char* path) {
    // An unloadable file gives no icon, which is set all the same.
    const char* file = path ? path : "";
    tbx::Icon smallIcon(
        static_cast<HICON>(LoadImageA(nullptr, file, IMAGE_ICON, 16, 16, LR_LOADFROMFILE | LR_DEFAULTSIZE)));
    tbx::Icon bigIcon(
        static_cast<HICON>(LoadImageA(nullptr, file, IMAGE_ICON, 32, 32, LR_LOADFROMFILE | LR_DEFAULTSIZE)));
    SendMessageA(dialog->window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
    SendMessageA(dialog->window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
    // The icons set before are destroyed only now that the window no longer shows them.
    dialog->smallIcon = std::move(smallIcon);
    dialog->bigIcon = std::move(bigIcon);
}
