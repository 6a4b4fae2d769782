#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "bridge/values/FlashExParam.h"
#include "bridge/host/FlashExService.h"

struct FlashExRequest;

// The registered services, in registration order, and which service last
// handled each command name.
class FlashExServiceManager {
public:
    FlashExServiceManager() = default;
    // Terminates and deletes every service, in registration order.
    virtual ~FlashExServiceManager();
    FlashExServiceManager(const FlashExServiceManager&) = delete;
    FlashExServiceManager& operator=(const FlashExServiceManager&) = delete;

    void addService(std::unique_ptr<FlashExService> service);
    // The result of the service that handled the command, or empty for none.
    // FlashExException "呼び出された処理が見つかりませんでした。" when no
    // service knows it.
    ParamPtr invoke(FlashExRequest& request);
    // Every command of every service, in registration order: a name that two
    // services answer appears twice, and the first one answers it.
    std::vector<CommandSignature> commands() const;
    // True when a service consumed the message.
    virtual bool preTranslateMessage(MSG* msg);

private:
    // Offers the request to one service; true when it handled the command.
    static bool offer(FlashExService* service, FlashExRequest& request, ParamPtr& result);

    std::vector<std::unique_ptr<FlashExService>> services;
    std::map<std::string, FlashExService*> commandCache;
};
