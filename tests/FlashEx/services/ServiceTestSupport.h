#pragma once
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>

#include "FlashEx/FlashExException.h"
#include "FlashEx/FlashExParam.h"
#include "FlashEx/FlashExRequest.h"
#include "FlashEx/FlashExService.h"

namespace service_test {

using Result = std::unique_ptr<FlashExParam>;

inline FlashExParam* str(const std::string& text) { return new FlashExParamString(text); }
inline FlashExParam* num(int value) { return new FlashExParamInt(value); }
inline FlashExParam* flag(bool value) { return new FlashExParamBool(value); }

// Runs one command; fails the test when the service does not know it.
inline Result call(FlashExService& service, const std::string& name, std::initializer_list<FlashExParam*> args = {}) {
    FlashExRequest request;
    request.name = name;
    for (FlashExParam* arg : args) request.arguments.push(arg);
    FlashExParam* result = nullptr;
    if (!service.invoke(request, result)) throw std::logic_error("not handled: " + name);
    return Result(result);
}

// The message the movie would get for a failing command, or "no failure".
inline std::string failure(FlashExService& service, const std::string& name,
                           std::initializer_list<FlashExParam*> args = {}) {
    try {
        call(service, name, args);
    } catch (const FlashExException& e) {
        return e.getMessage();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no failure";
}

// Loads, once per process, a policy that allows everything except reading
// or writing a path ending in \forbidden and writing one ending in \readonly.
void useTestPolicy();

}  // namespace service_test
