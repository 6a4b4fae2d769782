#include "bridge/host/FlashExServiceManager.h"

#include "tbx/FlashExException.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/host/FlashExService.h"
#include "tbx/Guards.h"

FlashExServiceManager::~FlashExServiceManager() {
    for (auto& service : services) {
        try {
            service->terminate();
        } catch (...) {
            // Tear-down goes on for the other services.
        }
        service.reset();
    }
    services.clear();
    commandCache.clear();
}

void FlashExServiceManager::addService(std::unique_ptr<FlashExService> service) {
    services.push_back(std::move(service));
}

bool FlashExServiceManager::offer(FlashExService* service, FlashExRequest& request, ParamPtr& result) {
    try {
        if (service->invoke(request, result)) return true;
    } catch (...) {
        result.reset();  // a value made before the failure is not an answer
        throw;
    }
    result.reset();  // a declining service leaves nothing behind
    return false;
}

ParamPtr FlashExServiceManager::invoke(FlashExRequest& request) {
    ParamPtr result;
    auto cached = commandCache.find(request.name);
    if (cached != commandCache.end() && offer(cached->second, request, result)) return result;
    for (auto& service : services) {
        if (offer(service.get(), request, result)) {
            commandCache[request.name] = service.get();
            return result;
        }
    }
    traceUnknownCommand(request.name, commands());
    throw FlashExException("呼び出された処理が見つかりませんでした。");
}

std::vector<CommandSignature> FlashExServiceManager::commands() const {
    std::vector<CommandSignature> all;
    for (const auto& service : services) {
        std::vector<CommandSignature> own = service->commands();
        all.insert(all.end(), own.begin(), own.end());
    }
    return all;
}

bool FlashExServiceManager::preTranslateMessage(MSG* msg) {
    for (auto& service : services) {
        // A failing hook lets the message go on to the next service.
        if (tbx::guardWindowProcedure([&] { return service->preTranslateMessage(msg); },
                                      tbx::traced("preTranslateMessage", false)))
            return true;
    }
    return false;
}
