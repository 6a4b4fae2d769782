#include "framework/Application.h"

#include <ole2.h>

#include "framework/AtlAx.h"
#include "framework/Dialog.h"

namespace fw {

namespace {
Application* theApplication = nullptr;
}

Application::Application() { theApplication = this; }

Application::~Application() {
    if (theApplication == this) theApplication = nullptr;
}

Application* Application::instance() { return theApplication; }

BOOL Application::PreTranslateMessage(MSG* msg) {
    return mainWindow_ && mainWindow_->window() ? mainWindow_->PreTranslateMessage(msg) : FALSE;
}

int Application::run() {
    int exitCode = 0;
    if (InitInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (PreTranslateMessage(&msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        exitCode = ExitInstance();
    }
    if (oleStarted_) {
        OleUninitialize();
        oleStarted_ = false;
    }
    return exitCode;
}

bool Application::oleInit() {
    if (oleStarted_) return true;
    oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
    return oleStarted_;
}

bool Application::enableControlContainer() { return AtlAx::initialize(); }

}  // namespace fw
