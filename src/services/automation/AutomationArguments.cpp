#include "services/automation/AutomationArguments.h"

#include "bridge/values/FlashExParam.h"
#include "framework/AutomationException.h"
#include "framework/DispatchCaller.h"
#include "tbx/FlashExException.h"

std::vector<tbx::Variant> automationArguments(const FlashExParamArray& values) {
    // The movie's array fills the call's slots in order, so the object reads
    // it last first: as a list in natural order, it is the array reversed.
    std::vector<tbx::Variant> arguments(values.size());
    for (unsigned i = 0; i < values.size(); ++i) values.at(i)->toVariant(*arguments[values.size() - 1 - i].get());
    return arguments;
}

std::vector<tbx::Variant> automationArguments(const FlashExParam& value) {
    std::vector<tbx::Variant> arguments(1);
    value.toVariant(*arguments[0].get());
    return arguments;
}

DISPID automationMemberId(IDispatch& object, const std::string& name) {
    try {
        return fw::DispatchCaller(&object).idOf(name);
    } catch (const fw::AutomationException&) {
        throw FlashExException("指定されたメンバが見つかりません。");
    }
}
