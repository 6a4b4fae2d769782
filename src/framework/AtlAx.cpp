#include "framework/AtlAx.h"

namespace fw {

namespace {

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

struct AtlFunctions {
    AtlAxWinInitFn winInit = nullptr;
    AtlAxGetControlFn getControl = nullptr;
    AtlAxGetControlFn getHost = nullptr;
    const char* windowClass = "AtlAxWin80";
    bool ready = false;
};

AtlFunctions load(const char* library, const char* windowClass) {
    AtlFunctions f;
    f.windowClass = windowClass;
    HMODULE atl = LoadLibraryA(library);
    if (!atl) return f;
    f.winInit = reinterpret_cast<AtlAxWinInitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    f.getControl = reinterpret_cast<AtlAxGetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    f.getHost = reinterpret_cast<AtlAxGetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetHost")));
    f.ready = f.winInit && f.getControl && f.getHost && f.winInit();
    if (!f.ready) FreeLibrary(atl);
    return f;
}

// Loaded once and kept for the process: the host window class lives in the DLL.
AtlFunctions& functions() {
    static AtlFunctions loaded = [] {
        AtlFunctions f = load("atl80.dll", "AtlAxWin80");
        return f.ready ? f : load("atl.dll", "AtlAxWin");
    }();
    return loaded;
}

}  // namespace

bool AtlAx::initialize() { return functions().ready; }

const char* AtlAx::windowClass() { return functions().windowClass; }

IUnknown* AtlAx::getControl(HWND hostWindow) {
    if (!initialize()) return nullptr;
    IUnknown* control = nullptr;
    if (FAILED(functions().getControl(hostWindow, &control))) return nullptr;
    return control;
}

IUnknown* AtlAx::getHost(HWND hostWindow) {
    if (!initialize()) return nullptr;
    IUnknown* host = nullptr;
    if (FAILED(functions().getHost(hostWindow, &host))) return nullptr;
    return host;
}

}  // namespace fw
