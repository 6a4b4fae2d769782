// The player DLL's entry points: its module handle and the class object of
// the stand-in control.
#include <ole2.h>
#include <windows.h>

#include "player/PlayerControl.h"
#include "player/host/PlayerIds.h"
#include "player/PlayerModule.h"
#include "player/ScriptEngine.h"
#include "tbx/ComObject.h"

namespace player {

namespace {

HINSTANCE module = nullptr;

// One static class object; it is never deleted, so its count only tracks users.
class PlayerFactory : public tbx::ComObject<IClassFactory> {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out) *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return PlayerControl::create(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

PlayerFactory factory;

}  // namespace

HINSTANCE playerModule() { return module; }

}  // namespace player

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        player::module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, player::kPlayerClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    // The host asks for the class object on its start-up thread first.
    player::initializeValueParser();
    return player::factory.QueryInterface(iid, out);
}

// The host keeps the DLL for the life of the process.
extern "C" HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }
