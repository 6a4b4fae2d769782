#include "bridge/host/CommandSignature.h"

#include "bridge/values/FlashExRequest.h"
#include "tbx/FlashExException.h"
#include "tbx/Trace.h"

namespace {

const char kMissingArgument[] = "配列のインデックスが範囲を超えています。";
const char kTypeError[] = "type error";

std::string takes(const CommandSignature& command) {
    std::string count = command.minArguments == command.maxArguments
                            ? std::to_string(command.minArguments)
                            : std::to_string(command.minArguments) + " to " + std::to_string(command.maxArguments);
    return "it takes " + count + (command.maxArguments == 1 ? " argument" : " arguments");
}

const char* kindName(ParamKind kind) {
    switch (kind) {
        case ParamKind::String:
            return "a string";
        case ParamKind::Int:
        case ParamKind::Double:
            return "a number";
        case ParamKind::Bool:
            return "a boolean";
        case ParamKind::Null:
            return "null";
        case ParamKind::Array:
            return "an array";
        case ParamKind::Object:
            return "an object";
        case ParamKind::Undefined:
            return "undefined";
        default:
            return "a handle";
    }
}

void trace(const CommandSignature& command, const std::string& what) {
    tbx::traceLine("movara: \"" + command.name + "\": " + what);
}

}  // namespace

void traceArgumentCount(const CommandSignature& command, const FlashExRequest& request) {
    size_t given = request.arguments.size();
    if (given >= command.minArguments && given <= command.maxArguments) return;
    trace(command, takes(command) + ", " + std::to_string(given) + " given" +
                       (given > command.maxArguments ? "; the rest are not read" : ""));
}

void traceCommandFailure(const CommandSignature& command, const FlashExRequest& request) noexcept {
    try {
        try {
            throw;
        } catch (const FlashExException& e) {
            std::string explanation = e.explanation();
            if (!explanation.empty()) return trace(command, explanation);
            int index = request.argumentRead;
            std::string argument = index >= 0 ? "argument " + std::to_string(index + 1) : "an argument";
            bool given = index >= 0 && static_cast<size_t>(index) < request.arguments.size();
            if (e.getMessage() == kMissingArgument && !given)
                trace(command, argument + " is missing; " + takes(command) + ", " +
                                   std::to_string(request.arguments.size()) + " given");
            else if (e.getMessage() == kMissingArgument)
                trace(command, argument + " is too short: it has no element at the place the command reads");
            else if (e.getMessage() == kTypeError && given)
                trace(command, argument + " has the wrong type: " + kindName(request.arguments.at(index)->kind()) +
                                   " was given");
        }
    } catch (...) {
        // Only argument failures are traced here; everything else goes on as it is.
    }
}
