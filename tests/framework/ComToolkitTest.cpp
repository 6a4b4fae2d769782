// The COM toolkit: the object base's IUnknown and the dispatch caller.
#include "MovaraTest.h"

#include <functional>
#include <string>

#include "framework/AutomationException.h"
#include "framework/DispatchCaller.h"
#include "tbx/ComObject.h"
#include "tbx/ComPtr.h"

namespace {

const IID kExtraIid = {0x6d5140c1, 0x7436, 0x11ce, {0x80, 0x34, 0x00, 0xaa, 0x00, 0x60, 0x09, 0xfa}};
const DISPID kValue = 1, kJoin = 2, kFail = 3, kFailQuietly = 4;

// Member "Value" is a property; "Join" answers its arguments as received,
// slot by slot; "Fail" fails with a description, "FailQuietly" without one.
class Recorder : public tbx::ComObject<IDispatch> {
public:
    explicit Recorder(bool* deleted) : deleted_(deleted) {}
    ~Recorder() override { *deleted_ = true; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override {
        std::u16string name = reinterpret_cast<const char16_t*>(names[0]);
        *id = name == u"Value" ? kValue : name == u"Join" ? kJoin : DISPID_UNKNOWN;
        return *id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override {
        if (id == kValue && (flags & DISPATCH_PROPERTYPUT)) {
            if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return E_INVALIDARG;
            return VariantCopy(value_.get(), &params->rgvarg[0]);
        }
        if (id == kValue) return VariantCopy(result, value_.get());
        if (id == kJoin) {
            std::u16string joined;
            for (UINT i = 0; i < params->cArgs; ++i)
                joined += reinterpret_cast<const char16_t*>(V_BSTR(&params->rgvarg[i]));
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = tbx::Bstr(joined).detach();
            return S_OK;
        }
        if (id == kFail) info->bstrDescription = tbx::Bstr(u"説明つき").detach();
        return id == kFail ? DISP_E_EXCEPTION : E_FAIL;
    }

private:
    void* queryOther(REFIID iid) override {
        return IsEqualIID(iid, kExtraIid) ? static_cast<IDispatch*>(this) : nullptr;
    }
    bool* deleted_;
    tbx::Variant value_;
};

}  // namespace

TEST(ComToolkit, TheObjectBaseAnswersItsInterfacesAndDeletesWithTheLastReference) {
    bool deleted = false;
    auto object = tbx::ComPtr<IDispatch>::attach(new Recorder(&deleted));
    struct Case {
        const IID* iid;
        HRESULT answer;
    } cases[] = {{&IID_IUnknown, S_OK}, {&IID_IDispatch, S_OK}, {&kExtraIid, S_OK}, {&IID_IDropTarget, E_NOINTERFACE}};
    for (const Case& c : cases) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(c.answer, object->QueryInterface(*c.iid, &out));
        EXPECT_EQ(c.answer == S_OK ? static_cast<void*>(object.get()) : nullptr, out);
        if (out) object->Release();
    }
    object.reset();
    EXPECT_TRUE(deleted);
}

TEST(ComToolkit, TheDispatchCallerPutsGetsAndCallsInNaturalOrder) {
    bool deleted = false;
    auto object = tbx::ComPtr<IDispatch>::attach(new Recorder(&deleted));
    fw::DispatchCaller caller(object.get());
    caller.put("Value", tbx::Variant::fromAnsi("表示"));
    EXPECT_EQ("表示", caller.get(kValue).toAnsi());
    std::vector<tbx::Variant> arguments = fw::variants(tbx::Variant::fromAnsi("a"), tbx::Variant::fromAnsi("b"));
    EXPECT_EQ("ba", caller.call("Join", arguments).toAnsi());  // Invoke reads its slots last first
}

TEST(ComToolkit, TheDispatchCallersFailuresCarryTheObjectsDescription) {
    bool deleted = false;
    auto object = tbx::ComPtr<IDispatch>::attach(new Recorder(&deleted));
    struct Case {
        const char* what;
        std::function<void()> call;
        HRESULT result;
        std::string description;
    } cases[] = {
        {"described", [&] { fw::DispatchCaller(object.get()).call(kFail); }, DISP_E_EXCEPTION, "説明つき"},
        {"plain", [&] { fw::DispatchCaller(object.get()).call(kFailQuietly); }, E_FAIL,
         "automation call failed (0x80004005)"},
        {"unknown name", [&] { fw::DispatchCaller(object.get()).call("Missing"); }, DISP_E_UNKNOWNNAME,
         "unknown name Missing"},
        {"no object", [] { fw::DispatchCaller(nullptr).get(kValue); }, E_POINTER, "no object"},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.what << ": nothing thrown";
        } catch (const fw::AutomationException& e) {
            EXPECT_EQ(c.result, e.result()) << c.what;
            EXPECT_EQ(c.description, e.description()) << c.what;
            EXPECT_FALSE(e.forMovie()) << c.what;
        }
    }
}
