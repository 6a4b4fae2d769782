#pragma once
#include <string>
#include <vector>

#include "bridge/host/FlashExCommandTable.h"
#include "bridge/host/FlashExService.h"

class HostWindows;
class SecurityPolicy;
struct FlashExRequest;

// Programs and the screen for the movie: starting programs and documents
// (with the policy's execute permission, or else the user's consent), running
// a program and waiting for it, the command processor, the screen and work
// area, full screen, full path names and the program's own arguments.
class FlashExServiceShell : public FlashExService {
public:
    // The host window owns the confirmation box and is the window made full screen.
    FlashExServiceShell(SecurityPolicy& policy, const HostWindows& windows) : policy_(policy), windows_(windows) {}
    bool invoke(FlashExRequest& request, ParamPtr& result) override;
    std::vector<CommandSignature> commands() const override;

private:
    static const ServiceCommand<FlashExServiceShell> kCommands[];

    ParamPtr shellExecute(FlashExRequest& request);
    ParamPtr execAndWait(FlashExRequest& request);
    ParamPtr getWorkArea(FlashExRequest& request);
    ParamPtr setFullScreen(FlashExRequest& request);
    ParamPtr getScreenSize(FlashExRequest& request);
    ParamPtr system(FlashExRequest& request);
    ParamPtr getFullPathName(FlashExRequest& request);
    ParamPtr args(FlashExRequest& request);

    // The policy's execute permission for every one of paths; when it
    // refuses one, the user's answer to a confirmation box (owned by the main
    // window) naming shown.
    bool mayExecute(const std::vector<std::string>& paths, const std::string& shown);
    // Asks the user whether to start what shown names; true for yes.
    bool userTrusts(const std::string& shown);

    SecurityPolicy& policy_;
    const HostWindows& windows_;
};
