#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "bridge/host/CommandSignature.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "tbx/CommandPaths.h"

// A service's commands as a table: the name the movie calls, the member
// function that performs it, and how many arguments it takes (the optional
// ones trailing: from minArguments up to maxArguments).
template <typename Service>
struct ServiceCommand {
    const char* name;
    ParamPtr (Service::*run)(FlashExRequest&);
    unsigned minArguments;
    unsigned maxArguments;
};

template <typename Service, size_t N>
std::vector<CommandSignature> signaturesOf(const ServiceCommand<Service> (&commands)[N]) {
    std::vector<CommandSignature> signatures;
    for (const ServiceCommand<Service>& command : commands)
        signatures.push_back({command.name, command.minArguments, command.maxArguments});
    return signatures;
}

// Performs the table's command that request.name names: true with its answer
// in result, false (result untouched) when the table has no such command. A
// failure over the arguments, a refusal by the policy, or a failure of a
// command that had paths judged (with those paths) is also explained on the
// trace output with the command's name.
template <typename Service, size_t N>
bool runCommand(Service& service, const ServiceCommand<Service> (&commands)[N], FlashExRequest& request,
                ParamPtr& result) {
    for (const ServiceCommand<Service>& command : commands) {
        if (request.name != command.name) continue;
        CommandSignature signature{command.name, command.minArguments, command.maxArguments};
        traceArgumentCount(signature, request);
        tbx::beginCommandPaths();
        try {
            result = (service.*command.run)(request);
        } catch (...) {
            traceCommandFailure(signature, request);
            throw;
        }
        return true;
    }
    return false;
}
