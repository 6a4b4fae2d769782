#include "services/automation/FlashExServiceOle.h"

#include <climits>
#include <string>

#include "tbx/FlashExException.h"
#include "bridge/values/FlashExRequest.h"
#include "framework/AutomationException.h"
#include "framework/DispatchCaller.h"
#include "services/automation/AutomationArguments.h"
#include "services/common/ServiceArguments.h"
#include "security/SecurityPolicy.h"
#include "tbx/ComVariant.h"
#include "tbx/TextConversion.h"

// In the order in which invoke looks for a command.
const ServiceCommand<FlashExServiceOle> FlashExServiceOle::kCommands[] = {
    {"coCreateInstance", &FlashExServiceOle::coCreateInstance, 1, 1},
    {"olePropPut", &FlashExServiceOle::olePropPut, 3, 3},
    {"olePropGet", &FlashExServiceOle::olePropGet, 2, 3},
    {"oleRelease", &FlashExServiceOle::oleRelease, 1, 1},
    {"oleCallFunction", &FlashExServiceOle::oleCallFunction, 3, 3},
};

std::vector<CommandSignature> FlashExServiceOle::commands() const { return signaturesOf(kCommands); }

namespace {

const char* const kUnsupportedType = "サポートされていない型です";

// Wine's VariantChangeType wraps an unsigned value above the Int range
// instead of failing; such a value has no Int to give.
bool unsignedBeyondInt(const VARIANT& value) {
    return (V_VT(&value) == VT_UI4 && V_UI4(&value) > INT_MAX) || (V_VT(&value) == VT_UINT && V_UINT(&value) > INT_MAX);
}

// The movie's {disp: number}; a value without "disp" or with no number there
// fails with the value model's type error.
void* dispatchNumber(const FlashExRequest& request) {
    return request.arguments.at(0)->asObject()->getProperty("disp")->getPointer();
}

}  // namespace

bool FlashExServiceOle::invoke(FlashExRequest& request, ParamPtr& result) {
    // Switched off, the commands do not exist for the movie.
    if (!policy_.oleEnabled()) return false;
    return runCommand(*this, kCommands, request, result);
}

ParamPtr FlashExServiceOle::coCreateInstance(FlashExRequest& request) {
    const std::string& progId = stringArgument(request, 0);
    std::u16string wide = multiByteToWide(progId, CP_ACP);
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(wide.c_str()), &clsid)))
        throw FlashExException("指定されたオブジェクトが見つかりません。 " + progId);
    // Local servers only: an in-process server would run inside the program.
    tbx::ComPtr<IDispatch> object;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, object.putVoid());
    if (FAILED(hr) || !object)
        throw FlashExException("オブジェクトの作成に失敗しました。 code=" + std::to_string(static_cast<long>(hr)));
    return dispatchValue(std::move(object));
}

ParamPtr FlashExServiceOle::olePropPut(FlashExRequest& request) {
    tbx::ComPtr<IDispatch> object = objectArgument(request);
    const std::string& name = stringArgument(request, 1);
    std::vector<tbx::Variant> value = automationArguments(*request.arguments.at(2));
    DISPID id = automationMemberId(*object.get(), name);
    try {
        fw::DispatchCaller(object.get()).invoke(id, DISPATCH_PROPERTYPUT, value);
    } catch (const fw::AutomationException&) {
        throw FlashExException("プロパティの設定でエラーが発生しました。");
    }
    return nullptr;
}

ParamPtr FlashExServiceOle::olePropGet(FlashExRequest& request) {
    static const FlashExParamArray none;
    const FlashExParamArray& arguments = request.arguments.size() > 2 ? *request.arguments.at(2)->asArray() : none;
    return callMember(request, DISPATCH_PROPERTYGET, arguments);
}

ParamPtr FlashExServiceOle::oleRelease(FlashExRequest& request) {
    void* id = dispatchNumber(request);
    // A null object has nothing to release.
    if (id) objects_.release(id);
    return nullptr;
}

ParamPtr FlashExServiceOle::oleCallFunction(FlashExRequest& request) {
    return callMember(request, DISPATCH_METHOD | DISPATCH_PROPERTYGET, *request.arguments.at(2)->asArray());
}

tbx::ComPtr<IDispatch> FlashExServiceOle::objectArgument(const FlashExRequest& request) const {
    // A copy: the call keeps the object alive even if the movie releases it
    // while the call waits for the server.
    return objects_.find(dispatchNumber(request));
}

ParamPtr FlashExServiceOle::callMember(const FlashExRequest& request, WORD flags, const FlashExParamArray& arguments) {
    tbx::ComPtr<IDispatch> object = objectArgument(request);
    const std::string& name = stringArgument(request, 1);
    std::vector<tbx::Variant> values = automationArguments(arguments);
    DISPID id = automationMemberId(*object.get(), name);
    tbx::Variant result;
    try {
        result = fw::DispatchCaller(object.get()).invoke(id, flags, values);
    } catch (const fw::AutomationException&) {
        throw FlashExException("メソッドの呼び出しでエラーが発生しました。");
    }
    return resultValue(*result.get());
}

ParamPtr FlashExServiceOle::resultValue(const VARIANT& result) {
    switch (V_VT(&result)) {
        case VT_EMPTY:
            return paramNull();
        case VT_I4:
            return paramInt(V_I4(&result));
        case VT_R4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT: {
            // A value that does not fit a 32-bit integer has no Int to give.
            tbx::Variant number;
            if (unsignedBeyondInt(result) ||
                FAILED(VariantChangeType(number.get(), const_cast<VARIANT*>(&result), 0, VT_I4)))
                throw FlashExException(kUnsupportedType);
            return paramInt(V_I4(number.get()));
        }
        case VT_BSTR:
            return paramString(V_BSTR(&result)
                                   ? wideToMultiByte(reinterpret_cast<const char16_t*>(V_BSTR(&result)), CP_ACP)
                                   : std::string());
        case VT_DISPATCH:
            // No object is no object: a number for it would call through null.
            if (!V_DISPATCH(&result)) return paramNull();
            return dispatchValue(tbx::ComPtr<IDispatch>(V_DISPATCH(&result)));
        case VT_BOOL:
            return paramBool(V_BOOL(&result) != VARIANT_FALSE);
        default:
            throw FlashExException(kUnsupportedType);
    }
}

ParamPtr FlashExServiceOle::dispatchValue(tbx::ComPtr<IDispatch> object) {
    auto value = std::make_unique<FlashExParamObject>();
    value->setProperty("disp", paramHandle(objects_.add(std::move(object))));
    return value;
}
