#pragma once
#include <windows.h>

#include <vector>

#include "bridge/host/CommandSignature.h"
#include "bridge/values/FlashExParam.h"

struct FlashExRequest;

// A family of commands that the movie can call.
class FlashExService {
public:
    // When request.name is one of this service's commands: performs it, sets
    // result to its answer or leaves it empty, and returns true. Otherwise
    // returns false and does nothing. Failures are thrown (FlashExException,
    // MvException or another standard exception).
    virtual bool invoke(FlashExRequest& request, ParamPtr& result) = 0;
    // The commands this service answers, with their argument counts.
    virtual std::vector<CommandSignature> commands() const { return {}; }
    virtual ~FlashExService() = default;
    // Called once before the manager deletes the service.
    virtual void terminate() {}
    // Offered every message of the dialog's thread first; true consumes it.
    virtual bool preTranslateMessage(MSG* msg) { return false; }
};
