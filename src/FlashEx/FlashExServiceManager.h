#pragma once
#include <map>
#include <string>
#include <vector>

#include <windows.h>

class FlashExParam;
class FlashExService;
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

    // Appends service; the manager owns it from then on.
    void addService(FlashExService* service);
    // The result of the service that handled the command (owned by the
    // caller), or null for none. FlashExException
    // "呼び出された処理が見つかりませんでした。" when no service knows it.
    FlashExParam* invoke(FlashExRequest& request);
    // True when a service consumed the message.
    virtual bool preTranslateMessage(MSG* msg);
    void setWindows(HWND host, HWND player);

private:
    // Offers the request to one service; true when it handled the command.
    static bool offer(FlashExService* service, FlashExRequest& request, FlashExParam*& result);

    std::vector<FlashExService*> services;
    std::map<std::string, FlashExService*> commandCache;
};
