#include "FlashExServiceManager.h"

#include "FlashExException.h"
#include "FlashExParam.h"
#include "FlashExRequest.h"
#include "FlashExService.h"

FlashExServiceManager::~FlashExServiceManager() {
    for (FlashExService* service : services) {
        try {
            service->terminate();
        } catch (...) {
            // Tear-down goes on for the other services.
        }
        delete service;
    }
    services.clear();
    commandCache.clear();
}

void FlashExServiceManager::addService(FlashExService* service) {
    try {
        services.push_back(service);
    } catch (...) {
        delete service;
        throw;
    }
}

bool FlashExServiceManager::offer(FlashExService* service, FlashExRequest& request, FlashExParam*& result) {
    try {
        if (service->invoke(request, result)) return true;
    } catch (...) {
        delete result;  // a value made before the failure is not an answer
        result = nullptr;
        throw;
    }
    delete result;  // a declining service leaves nothing behind
    result = nullptr;
    return false;
}

FlashExParam* FlashExServiceManager::invoke(FlashExRequest& request) {
    FlashExParam* result = nullptr;
    auto cached = commandCache.find(request.name);
    if (cached != commandCache.end() && offer(cached->second, request, result)) return result;
    for (FlashExService* service : services) {
        if (offer(service, request, result)) {
            try {
                commandCache[request.name] = service;
            } catch (...) {
                delete result;
                throw;
            }
            return result;
        }
    }
    throw FlashExException("呼び出された処理が見つかりませんでした。");
}

bool FlashExServiceManager::preTranslateMessage(MSG* msg) {
    for (FlashExService* service : services) {
        if (service->preTranslateMessage(msg)) return true;
    }
    return false;
}

void FlashExServiceManager::setWindows(HWND host, HWND player) {
    for (FlashExService* service : services) {
        service->hostWindow = host;
        service->playerWindow = player;
    }
}
