#pragma once
#include <cstddef>

#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"

// A service's commands as a table: the name the movie calls and the member
// function that performs it.
template <typename Service>
struct ServiceCommand {
    const char* name;
    ParamPtr (Service::*run)(FlashExRequest&);
};

// Performs the table's command that request.name names: true with its answer
// in result, false (result untouched) when the table has no such command.
template <typename Service, size_t N>
bool runCommand(Service& service, const ServiceCommand<Service> (&commands)[N], FlashExRequest& request,
                ParamPtr& result) {
    for (const ServiceCommand<Service>& command : commands) {
        if (request.name == command.name) {
            result = (service.*command.run)(request);
            return true;
        }
    }
    return false;
}
