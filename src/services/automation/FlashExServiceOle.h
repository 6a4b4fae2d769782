#pragma once
#include <oaidl.h>

#include "bridge/host/FlashExCommandTable.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/host/FlashExService.h"
#include "services/automation/DispatchObjectTable.h"
#include "tbx/ComPtr.h"

class SecurityPolicy;
struct FlashExRequest;

// COM automation for the movie: objects of local servers created by ProgID,
// their properties and methods, and their release. An object reaches the
// movie as {disp: number}; the number names it in the service's table. With
// automation switched off in the settings the service knows no command.
class FlashExServiceOle : public FlashExService {
public:
    explicit FlashExServiceOle(SecurityPolicy& policy) : policy_(policy) {}
    bool invoke(FlashExRequest& request, ParamPtr& result) override;
    std::vector<CommandSignature> commands() const override;
    // Releases the objects the movie still holds.
    void terminate() override { objects_.clear(); }

private:
    static const ServiceCommand<FlashExServiceOle> kCommands[];

    ParamPtr coCreateInstance(FlashExRequest& request);
    ParamPtr olePropPut(FlashExRequest& request);
    ParamPtr olePropGet(FlashExRequest& request);
    ParamPtr oleRelease(FlashExRequest& request);
    ParamPtr oleCallFunction(FlashExRequest& request);

    // The object named by argument 0, held for the length of a call.
    tbx::ComPtr<IDispatch> objectArgument(const FlashExRequest& request) const;
    ParamPtr callMember(const FlashExRequest& request, WORD flags, const FlashExParamArray& arguments);
    // The value for the movie of a call's result (see the conversion table).
    ParamPtr resultValue(const VARIANT& result);
    ParamPtr dispatchValue(tbx::ComPtr<IDispatch> object);

    SecurityPolicy& policy_;
    DispatchObjectTable objects_;
};
