#pragma once
#include <unknwn.h>
#include <windows.h>

namespace tbx {

// IUnknown for a COM class that lists the interfaces it implements, as in
// `class Sink : public tbx::ComObject<IDispatch>`. QueryInterface answers
// IUnknown and each listed interface (by __uuidof), then asks queryOther for
// anything else (a base interface such as IOleWindow, or an IID known only at
// run time). Objects start with one reference and delete themselves when the
// last goes; an object that lives elsewhere (a member, a static) overrides
// lastReleased, or AddRef/Release to share its owner's count.
template <typename First, typename... Others>
class ComObject : public First, public Others... {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown))
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        else if (!find<First, Others...>(iid, out))
            *out = queryOther(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) lastReleased();
        return left;
    }

protected:
    virtual ~ComObject() = default;
    // Another interface this object answers, already cast; null for none.
    virtual void* queryOther(REFIID) { return nullptr; }
    virtual void lastReleased() { delete this; }

private:
    template <typename Interface, typename... Rest>
    bool find(REFIID iid, void** out) {
        if (IsEqualIID(iid, __uuidof(Interface))) {
            *out = static_cast<Interface*>(this);
            return true;
        }
        if constexpr (sizeof...(Rest) > 0) return find<Rest...>(iid, out);
        return false;
    }

    LONG references_ = 1;
};

}  // namespace tbx
