#pragma once
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <windows.h>
#include <oleauto.h>

// An IDispatch standing in for the player: records every call and answers
// CallFunction through a test-supplied function.
class FakePlayerDispatch : public IDispatch {
public:
    struct Call {
        DISPID id;
        WORD flags;
        bool namedPut;               // DISPID_PROPERTYPUT passed as named argument
        std::vector<VARTYPE> types;  // argument types
        std::u16string text;         // the one string argument, if any
        LONG number = 0;             // the one integer or boolean argument, if any
    };

    std::vector<Call> calls;
    std::u16string movie = u"movie.swf";
    // The answer of CallFunction for an invoke text; set failure to fail calls.
    std::function<std::u16string(const std::u16string&)> onCallFunction = [](const std::u16string&) {
        return std::u16string(u"<null/>");
    };
    HRESULT failure = S_OK;
    // Settings known by name (none unless a test adds them). A put of text to
    // one listed in numericSettings fails with DISP_E_TYPEMISMATCH, as the
    // Flash player's number properties refuse text they cannot convert.
    std::map<std::u16string, DISPID> settingIds;
    std::set<DISPID> numericSettings;
    ULONG references = 1;

    // The text of the last SetReturnValue call (UTF-16), or "(none)".
    std::u16string lastReturnValue() const;
    int returnValueCount() const;
    // The puts of the setting with this name, in order.
    std::vector<Call> putsOf(const std::u16string& name) const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;
};

// The bytes of a UTF-16 text in the ANSI code page, for comparing with narrow text.
std::string narrowText(const std::u16string& text);
std::u16string wideText(const std::string& text);
