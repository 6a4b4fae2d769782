#pragma once
#include <oaidl.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tbx/ComVariant.h"

class FlashExParam;
class FlashExParamArray;

// The arguments of one automation call made from the movie's values with
// toVariant, as DispatchCaller takes them (an array's elements reversed);
// each is released when its variant goes, whether the call succeeded or not.
std::vector<tbx::Variant> automationArguments(const FlashExParamArray& values);
std::vector<tbx::Variant> automationArguments(const FlashExParam& value);

// The dispatch ID of a member name (ANSI text); FlashExException
// "指定されたメンバが見つかりません。" when the object does not know it.
DISPID automationMemberId(IDispatch& object, const std::string& name);
