#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <map>
#include <string>

#include "bridge/host/FlashExCommandTable.h"
#include "bridge/host/FlashExService.h"

class SecurityPolicy;
struct FlashExRequest;

// Sound and video files for the movie through the system's media control
// interface: open, play, pause, stop, ask whether playing, close. The movie
// holds small handles from 1 on, never reused; the device ids stay here.
// The policy judges each file for reading before it is opened (a share path
// would sign the user in to its server), and MCI opens the judged name.
class FlashExServiceMedia : public FlashExService {
public:
    explicit FlashExServiceMedia(const SecurityPolicy& policy) : policy_(policy) {}
    // Closes every device still open.
    ~FlashExServiceMedia() override;
    FlashExServiceMedia(const FlashExServiceMedia&) = delete;
    FlashExServiceMedia& operator=(const FlashExServiceMedia&) = delete;

    bool invoke(FlashExRequest& request, ParamPtr& result) override;

    std::vector<CommandSignature> commands() const override;

    // The alias MCI knows the handle's device by; FlashExException
    // "mci handle invalid" for a handle not open.
    const std::string& deviceAlias(int handle) const;

private:
    struct Device {
        MCIDEVICEID id;
        std::string alias;
    };

    static const ServiceCommand<FlashExServiceMedia> kCommands[];

    ParamPtr mciOpen(FlashExRequest& request);
    ParamPtr mciPlay(FlashExRequest& request);
    ParamPtr mciIsPlaying(FlashExRequest& request);
    ParamPtr mciPause(FlashExRequest& request);
    ParamPtr mciStop(FlashExRequest& request);
    ParamPtr mciClose(FlashExRequest& request);

    // The device of the handle in argument 0; FlashExException
    // "mci handle invalid" for a handle not open.
    MCIDEVICEID deviceOf(FlashExRequest& request) const;

    const SecurityPolicy& policy_;
    int nextHandle_ = 1;
    std::map<int, Device> devices_;
};
