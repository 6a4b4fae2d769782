#include "player/host/PlayerHost.h"

#include <objbase.h>

#include "player/host/PlayerIds.h"
#include "tbx/ComPtr.h"
#include "tbx/PathString.h"
#include "tbx/TextConversion.h"

namespace player {

namespace {

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

// The DLL stays loaded for the process: controls made from it may live until exit.
GetClassObjectFn classObjectEntry() {
    static const GetClassObjectFn entry = []() -> GetClassObjectFn {
        HMODULE dll = LoadLibraryA(kPlayerDllName);
        if (!dll) return nullptr;
        return reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    }();
    return entry;
}

}  // namespace

const std::string& playerControlText() {
    static const std::string text = [] {
        CLSID clsid;
        std::u16string progId = multiByteToWide(kFlashProgId, CP_ACP);
        if (SUCCEEDED(CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(progId.c_str()), &clsid)))
            return std::string(kFlashProgId);
        return std::string(kPlayerClsidText);
    }();
    return text;
}

PlayerChoice playerChoiceFrom(const std::string& setting) {
    std::string text = tbx::trim_blanks(setting);
    if (lstrcmpiA(text.c_str(), "stand-in") == 0) return PlayerChoice::StandIn;
    if (lstrcmpiA(text.c_str(), "flash") == 0) return PlayerChoice::Flash;
    return PlayerChoice::Automatic;
}

std::string playerControlTextFor(bool scriptMovie, PlayerChoice choice) {
    switch (choice) {
        case PlayerChoice::StandIn:
            return kPlayerClsidText;
        case PlayerChoice::Flash:
            return kFlashProgId;
        case PlayerChoice::Automatic:
            break;
    }
    return scriptMovie ? std::string(kPlayerClsidText) : playerControlText();
}

PlayerClassRegistration::PlayerClassRegistration() {
    GetClassObjectFn entry = classObjectEntry();
    if (!entry) return;
    tbx::ComPtr<IUnknown> factory;
    if (FAILED(entry(kPlayerClsid, IID_IUnknown, factory.putVoid()))) return;
    DWORD cookie = 0;
    if (SUCCEEDED(
            CoRegisterClassObject(kPlayerClsid, factory.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie)))
        cookie_ = cookie;
}

PlayerClassRegistration::~PlayerClassRegistration() {
    if (cookie_) CoRevokeClassObject(cookie_);
}

}  // namespace player
