// The control's automation interface: the Flash player's members by their
// dispatch IDs, plus the settings a host gives a player, stored by name.
#include <cstring>

#include "tbx/Error.h"
#include "tbx/Guards.h"
#include "player/PlayerControl.h"
#include "player/host/PlayerIds.h"
#include "tbx/TextConversion.h"
#include "tbx/ComVariant.h"

namespace player {

namespace {

const DISPID kDispEnforceLocalSecurity = 0x1001;

struct Member {
    const char16_t* name;
    DISPID id;
    bool setting;  // stored as given, answered on get
};

const Member kMembers[] = {
    {u"Movie", kDispMovie, false},
    {u"FlashVars", kDispFlashVars, false},
    {u"CallFunction", kDispCallFunction, false},
    {u"SetReturnValue", kDispSetReturnValue, false},
    {u"EnforceLocalSecurity", kDispEnforceLocalSecurity, false},
    {u"ReadyState", kDispReadyState, false},
    {u"Quality2", kDispQuality2, true},
    {u"WMode", 133, true},
    {u"Quality", 105, true},
    {u"ScaleMode", 120, true},
    {u"SAlign", 130, true},
    {u"Loop", 106, true},
    {u"Menu", 135, true},
    {u"AllowNetworking", 201, true},
    {u"AllowFullScreen", 202, true},
    {u"Playing", 125, true},
    {u"BGColor", 140, true},
    {u"Base", 136, true},
    {u"AllowScriptAccess", 192, true},
    {u"ScriptTimeLimit", kDispScriptTimeLimit, true},
    {u"DebugPort", kDispDebugPort, true},
    {u"ShowScriptErrors", kDispShowScriptErrors, true},
};

const Member* memberById(DISPID id) {
    for (const Member& member : kMembers)
        if (member.id == id) return &member;
    return nullptr;
}

bool sameName(const char16_t* a, const OLECHAR* b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, reinterpret_cast<LPCWSTR>(a), -1, b, -1) == CSTR_EQUAL;
}

// A failure with its own dispatch error; the message is the description for
// the caller's EXCEPINFO.
class DispatchFailure : public tbx::Error {
public:
    DispatchFailure(HRESULT result, const char* description) : tbx::Error(description), result(result) {}
    HRESULT result;
};

struct DispatchError {
    HRESULT result;
    std::u16string description;
};

// The dispatch error for the exception being handled: a script's error text is
// UTF-8, the system's ANSI.
DispatchError caughtDispatchError(const CaughtError& error) {
    try {
        throw;
    } catch (const DispatchFailure& failure) {
        return {failure.result, multiByteToWide(failure.message(), CP_ACP)};
    } catch (const ScriptError& e) {
        return {DISP_E_EXCEPTION, multiByteToWide(e.message(), CP_UTF8)};
    } catch (...) {
        return {DISP_E_EXCEPTION, multiByteToWide(error.textOr("the call failed"), CP_ACP)};
    }
}

std::u16string textOf(BSTR text) {
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text)) : std::u16string();
}

std::u16string stringArgument(DISPPARAMS* params, UINT index) {
    if (!params || params->cArgs <= index) throw DispatchFailure(DISP_E_BADPARAMCOUNT, "missing argument");
    VARIANT& source = params->rgvarg[params->cArgs - 1 - index];
    // A string is read in place: the conversion would first copy it whole,
    // which for a long answer of the host is one more copy held at once.
    if (V_VT(&source) == VT_BSTR) return textOf(V_BSTR(&source));
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, &source, 0, VT_BSTR)))
        throw DispatchFailure(DISP_E_TYPEMISMATCH, "a string is expected");
    std::u16string out = textOf(V_BSTR(&text));
    VariantClear(&text);
    return out;
}

// The host's value XML in the code page the script side reads it in,
// converted straight from the host's string: a long answer is not copied
// once more as wide text first.
std::string answerTextArgument(DISPPARAMS* params, UINT index) {
    if (params && params->cArgs > index) {
        VARIANT& source = params->rgvarg[params->cArgs - 1 - index];
        if (V_VT(&source) == VT_BSTR)
            return wideToMultiByte(reinterpret_cast<const char16_t*>(V_BSTR(&source)), CP_ACP);
    }
    return wideToMultiByte(stringArgument(params, index), CP_ACP);
}

void answerString(VARIANT* result, const std::u16string& text) {
    if (!result) return;
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = tbx::Bstr(text).detach();
}

}  // namespace

HRESULT STDMETHODCALLTYPE PlayerControl::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE PlayerControl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        // Only the member name itself; parameter names are not known.
        if (i > 0) {
            result = DISP_E_UNKNOWNNAME;
            continue;
        }
        for (const Member& member : kMembers)
            if (sameName(member.name, names[i])) ids[i] = member.id;
        if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE PlayerControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                                VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    if (result) VariantInit(result);
    AddRef();
    HRESULT hr = tbx::guardComMethod([&] { return invokeMember(id, flags, params, result); },
                                     [&](const CaughtError& error) {
                                         DispatchError failure = caughtDispatchError(error);
                                         if (failure.result == DISP_E_EXCEPTION && exception) {
                                             memset(exception, 0, sizeof(*exception));
                                             exception->scode = E_FAIL;
                                             exception->bstrSource = tbx::Bstr(u"MovaraFlashPlayer").detach();
                                             exception->bstrDescription = tbx::Bstr(failure.description).detach();
                                         }
                                         return failure.result;
                                     });
    if (FAILED(hr) && argError) *argError = 0;
    Release();
    return hr;
}

HRESULT PlayerControl::invokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) {
    const Member* member = memberById(id);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    bool get = (flags & DISPATCH_PROPERTYGET) != 0;
    bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    bool method = (flags & DISPATCH_METHOD) != 0;

    if (member->setting) {
        if (put) {
            if (!params || params->cArgs < 1) return DISP_E_BADPARAMCOUNT;
            tbx::Variant copy;
            if (FAILED(VariantCopyInd(copy.get(), &params->rgvarg[0]))) return DISP_E_TYPEMISMATCH;
            settings_[id] = std::move(copy);
            stageChanged();
            return S_OK;
        }
        if (get) {
            auto found = settings_.find(id);
            if (result && found != settings_.end()) return VariantCopy(result, found->second.get());
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    switch (id) {
        case kDispMovie:
            if (put) {
                setMovie(stringArgument(params, 0));
                return S_OK;
            }
            if (get) answerString(result, movie_);
            return get ? S_OK : DISP_E_MEMBERNOTFOUND;
        case kDispFlashVars:
            if (put) {
                flashVars_ = stringArgument(params, 0);
                return S_OK;
            }
            if (get) answerString(result, flashVars_);
            return get ? S_OK : DISP_E_MEMBERNOTFOUND;
        case kDispReadyState:
            if (!get) return DISP_E_MEMBERNOTFOUND;
            if (result) {
                V_VT(result) = VT_I4;
                V_I4(result) = readyState_;
            }
            return S_OK;
        case kDispCallFunction: {
            if (!method) return DISP_E_MEMBERNOTFOUND;
            std::u16string invoke = stringArgument(params, 0);
            if (!engine_) throw DispatchFailure(DISP_E_EXCEPTION, "no movie is playing");
            std::u16string answer;
            withEngine([&](ScriptEngine& engine) { answer = engine.callFunction(invoke); });
            answerString(result, answer);
            return S_OK;
        }
        case kDispSetReturnValue:
            if (!method) return DISP_E_MEMBERNOTFOUND;
            if (!returns_.empty()) {
                returns_.back().set = true;
                returns_.back().xml = answerTextArgument(params, 0);
            }
            return S_OK;
        case kDispEnforceLocalSecurity:
            return method ? S_OK : DISP_E_MEMBERNOTFOUND;
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

double PlayerControl::numberSetting(DISPID id, double otherwise) const {
    auto found = settings_.find(id);
    if (found == settings_.end()) return otherwise;
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeTypeEx(&number, const_cast<VARIANT*>(found->second.get()), LOCALE_INVARIANT, 0, VT_R8)))
        return otherwise;
    return V_R8(&number);
}

unsigned short PlayerControl::debugPort() const {
    double port = numberSetting(kDispDebugPort, 0);
    return port >= 1 && port <= 65535 ? static_cast<unsigned short>(port) : 0;
}

bool PlayerControl::showScriptErrors() const { return numberSetting(kDispShowScriptErrors, 0) != 0; }

DWORD PlayerControl::scriptTimeLimitMs() {
    const DWORD kDefaultMs = 15000;
    double ms = numberSetting(kDispScriptTimeLimit, kDefaultMs / 1000.0) * 1000;
    // There is always a limit: the thread must come back to the host.
    if (!(ms >= 1) || ms > 3600000) return kDefaultMs;
    return static_cast<DWORD>(ms);
}

}  // namespace player
