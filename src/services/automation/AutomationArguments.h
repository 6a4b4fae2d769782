#pragma once
#include <oaidl.h>
#include <windows.h>

#include <string>
#include <vector>

class FlashExParam;
class FlashExParamArray;

// The VARIANTs of one automation call, made from the movie's values with
// toVariant; each is released with its value's clearVariant when the object
// goes, whether the call succeeded or not.
class AutomationArguments {
public:
    // Element i of the array in slot i (Invoke reads slots last first).
    explicit AutomationArguments(const FlashExParamArray& values);
    explicit AutomationArguments(const FlashExParam& value);
    ~AutomationArguments() { clear(); }
    AutomationArguments(const AutomationArguments&) = delete;
    AutomationArguments& operator=(const AutomationArguments&) = delete;

    VARIANT* data() { return variants_.empty() ? nullptr : variants_.data(); }
    UINT count() const { return static_cast<UINT>(variants_.size()); }

private:
    void append(const FlashExParam& value);
    void clear();

    std::vector<const FlashExParam*> sources_;
    std::vector<VARIANT> variants_;
};

// The dispatch ID of a member name (ANSI text); FlashExException
// "指定されたメンバが見つかりません。" when the object does not know it.
DISPID automationMemberId(IDispatch& object, const std::string& name);
