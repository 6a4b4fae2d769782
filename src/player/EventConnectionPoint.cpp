#include "player/EventConnectionPoint.h"

#include <olectl.h>

#include "player/host/PlayerIds.h"
#include "tbx/Guards.h"

namespace player {

EventConnectionPoint::~EventConnectionPoint() { unadviseAll(); }

void EventConnectionPoint::unadviseAll() {
    // The sinks are released after the list is empty: a release may call back.
    std::vector<Sink> sinks;
    sinks.swap(sinks_);
}

void EventConnectionPoint::fire(DISPID id, std::vector<VARIANT> args) {
    // A sink may unsubscribe (or others subscribe) while it handles the event.
    std::vector<tbx::ComPtr<IDispatch>> targets;
    for (const Sink& sink : sinks_) targets.push_back(sink.dispatch);
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    for (const auto& target : targets) {
        DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        VARIANT result;
        VariantInit(&result);
        target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        VariantClear(&result);
    }
}

HRESULT STDMETHODCALLTYPE EventConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = kPlayerEventsIid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    *out = &container_;
    container_.AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    tbx::ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(kPlayerEventsIid, dispatch.putVoid())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, dispatch.putVoid())))
        return CONNECT_E_CANNOTCONNECT;
    return tbx::guardComMethod(
        [&] {
            sinks_.push_back(Sink{nextCookie_, std::move(dispatch)});
            *cookie = nextCookie_++;
        },
        tbx::traced("event advise", E_OUTOFMEMORY));
}

HRESULT STDMETHODCALLTYPE EventConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->cookie == cookie) {
            // Released after the entry is gone: a release may call back.
            tbx::ComPtr<IDispatch> dispatch = std::move(it->dispatch);
            sinks_.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT STDMETHODCALLTYPE EventConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace player
