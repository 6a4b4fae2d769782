#pragma once
#include <ocidl.h>
#include <windows.h>

#include <vector>

#include "tbx/ComObject.h"
#include "tbx/ComPtr.h"

namespace player {

// The connection point of the player's event dispinterface. It lives inside
// the control and shares its reference count.
class EventConnectionPoint : public tbx::ComObject<IConnectionPoint> {
public:
    EventConnectionPoint(IUnknown& owner, IConnectionPointContainer& container)
        : owner_(owner), container_(container) {}
    ~EventConnectionPoint() override;

    // Calls every subscribed sink; args in natural order.
    void fire(DISPID id, std::vector<VARIANT> args);
    void unadviseAll();

    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

private:
    struct Sink {
        DWORD cookie;
        tbx::ComPtr<IDispatch> dispatch;
    };
    IUnknown& owner_;
    IConnectionPointContainer& container_;
    std::vector<Sink> sinks_;
    DWORD nextCookie_ = 1;
};

}  // namespace player
