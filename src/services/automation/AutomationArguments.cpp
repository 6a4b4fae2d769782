#include "services/automation/AutomationArguments.h"

#include "tbx/FlashExException.h"
#include "bridge/values/FlashExParam.h"
#include "tbx/TextConversion.h"

AutomationArguments::AutomationArguments(const FlashExParamArray& values) {
    sources_.reserve(values.size());
    variants_.reserve(values.size());
    // A conversion that fails releases those made before it.
    try {
        for (unsigned i = 0; i < values.size(); ++i) append(*values.at(i));
    } catch (...) {
        clear();
        throw;
    }
}

AutomationArguments::AutomationArguments(const FlashExParam& value) {
    sources_.reserve(1);
    variants_.reserve(1);
    append(value);
}

void AutomationArguments::append(const FlashExParam& value) {
    VARIANT converted;
    value.toVariant(converted);
    sources_.push_back(&value);
    variants_.push_back(converted);
}

void AutomationArguments::clear() {
    for (size_t i = 0; i < variants_.size(); ++i) sources_[i]->clearVariant(variants_[i]);
    variants_.clear();
    sources_.clear();
}

DISPID automationMemberId(IDispatch& object, const std::string& name) {
    std::u16string wide = multiByteToWide(name, CP_ACP);
    LPOLESTR names[1] = {reinterpret_cast<LPOLESTR>(&wide[0])};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id)))
        throw FlashExException("指定されたメンバが見つかりません。");
    return id;
}
