#include "framework/AtlAx.h"

namespace fw {

namespace {

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

struct AtlFunctions {
    AtlAxWinInitFn winInit = nullptr;
    AtlAxGetControlFn getControl = nullptr;
    AtlAxGetControlFn getHost = nullptr;
    bool ready = false;
};

// Loaded once and kept for the process: the host window class lives in the DLL.
AtlFunctions& functions() {
    static AtlFunctions loaded = [] {
        AtlFunctions f;
        HMODULE atl = LoadLibraryA("atl80.dll");
        if (!atl) return f;
        f.winInit = reinterpret_cast<AtlAxWinInitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
        f.getControl =
            reinterpret_cast<AtlAxGetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
        f.getHost = reinterpret_cast<AtlAxGetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetHost")));
        f.ready = f.winInit && f.getControl && f.getHost && f.winInit();
        return f;
    }();
    return loaded;
}

}  // namespace

bool AtlAx::initialize() { return functions().ready; }

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
