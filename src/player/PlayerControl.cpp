#include "player/PlayerControl.h"

#include <olectl.h>

#include "player/host/PlayerIds.h"
#include "tbx/Guards.h"

namespace player {

PlayerControl::PlayerControl() : events_(*static_cast<IOleObject*>(this), *this) {}

PlayerControl::~PlayerControl() {
    destroyWindow();
    events_.unadviseAll();
    engine_.reset();
    doomedEngines_.clear();
    inPlaceSite_.reset();
    site_.reset();
}

HRESULT PlayerControl::create(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return tbx::guardComMethod(
        [&] {
            PlayerControl* control = new PlayerControl;
            HRESULT result = control->QueryInterface(iid, out);
            control->Release();
            return result;
        },
        tbx::traced("player creation", E_OUTOFMEMORY));
}

void* PlayerControl::queryOther(REFIID iid) {
    return IsEqualIID(iid, IID_IOleWindow) ? static_cast<IOleInPlaceObject*>(this) : nullptr;
}

HRESULT STDMETHODCALLTYPE PlayerControl::SetClientSite(IOleClientSite* site) {
    // The container drops its own reference after creation: keep one.
    site_ = site;
    if (!site) {
        destroyWindow();
        unloadMovie();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = site_.get();
    if (site_) site_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::Close(DWORD) {
    InPlaceDeactivate();
    unloadMovie();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                                LPCRECT rect) {
    switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE:
            break;
        case OLEIVERB_HIDE:
            if (window_) ShowWindow(window_, SW_HIDE);
            return S_OK;
        default:
            return OLEOBJ_S_INVALIDVERB;
    }
    if (window_) {
        ShowWindow(window_, SW_SHOW);
        return S_OK;
    }
    IOleClientSite* client = site ? site : site_.get();
    if (!client) return E_UNEXPECTED;
    tbx::ComPtr<IOleInPlaceSite> inPlace;
    if (FAILED(client->QueryInterface(IID_IOleInPlaceSite, inPlace.putVoid()))) return E_NOINTERFACE;
    if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
    inPlace->OnInPlaceActivate();
    HWND siteWindow = nullptr;
    inPlace->GetWindow(&siteWindow);
    tbx::ComPtr<IOleInPlaceFrame> frame;
    tbx::ComPtr<IOleInPlaceUIWindow> document;
    RECT position = {0, 0, 0, 0}, clip = {0, 0, 0, 0};
    OLEINPLACEFRAMEINFO frameInfo = {};
    frameInfo.cb = sizeof(frameInfo);
    if (FAILED(inPlace->GetWindowContext(frame.put(), document.put(), &position, &clip, &frameInfo)) && rect)
        position = *rect;
    inPlaceSite_ = std::move(inPlace);
    return tbx::guardComMethod(
        [&] {
            createWindow(siteWindow ? siteWindow : parent, position);
            return window_ ? S_OK : E_FAIL;
        },
        tbx::traced("player activation", E_FAIL));
}

HRESULT STDMETHODCALLTYPE PlayerControl::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = kPlayerClsid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::SetExtent(DWORD, SIZEL* size) {
    // The numbers are kept but not used: the window's size comes from SetObjectRects.
    if (size) extent_ = *size;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::GetExtent(DWORD, SIZEL* size) {
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
              OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE PlayerControl::InPlaceDeactivate() {
    destroyWindow();
    if (inPlaceSite_) {
        tbx::ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
        site->OnInPlaceDeactivate();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_POINTER;
    if (window_)
        SetWindowPos(window_, nullptr, position->left, position->top, position->right - position->left,
                     position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PlayerControl::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, kPlayerEventsIid)) return CONNECT_E_NOCONNECTION;
    *out = &events_;
    events_.AddRef();
    return S_OK;
}

}  // namespace player
