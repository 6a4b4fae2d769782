#pragma once
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>

#include "tbx/FlashExException.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/host/FlashExHost.h"
#include "bridge/host/FlashExService.h"

class SecurityPolicy;
class TempFolderRegistry;

namespace service_test {

using Result = ParamPtr;

// Argument values for call and failure: each is owned by the request built
// from the list.

inline FlashExParam* str(const std::string& text) { return new FlashExParamString(text); }
inline FlashExParam* num(int value) { return new FlashExParamInt(value); }
inline FlashExParam* flag(bool value) { return new FlashExParamBool(value); }

// Runs one command; fails the test when the service does not know it.
inline Result call(FlashExService& service, const std::string& name, std::initializer_list<FlashExParam*> args = {}) {
    FlashExRequest request;
    request.name = name;
    for (FlashExParam* arg : args) request.arguments.push(ParamPtr(arg));
    ParamPtr result;
    if (!service.invoke(request, result)) throw std::logic_error("not handled: " + name);
    return result;
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

// Host windows that a test sets when it has them; services ask at each call.
struct TestWindows : HostWindows {
    HWND host = nullptr;
    HWND player = nullptr;
    HWND hostWindow() const override { return host; }
    HWND playerWindow() const override { return player; }
};

// A host without a window of its own for the window service: it keeps the
// key and takes whatever else the service gives it.
struct TestHost : FlashExHost {
    HWND window = nullptr;
    std::string key;
    HWND hostWindow() const override { return window; }
    HWND playerWindow() const override { return window; }
    const std::string& apiKey() const override { return key; }
    void lockApi(const std::string& newKey) override { key = newKey; }
    void enableExtEvents() override {}
    void disableExtClose() override {}
    void setIcons(tbx::Icon, tbx::Icon) override {}
    void loadMovie(const std::string&) override {}
};

// A policy, loaded once per process, that allows everything except reading
// or writing a path ending in \forbidden and writing one ending in \readonly.
SecurityPolicy& testPolicy();
// A registry of temporary folders for the tests; reset() deletes it (and so
// the folders it holds) and starts a new one.
TempFolderRegistry& testTempFolders();
void resetTestTempFolders();

}  // namespace service_test
