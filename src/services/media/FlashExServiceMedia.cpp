#include "services/media/FlashExServiceMedia.h"

#include "tbx/FlashExException.h"
#include "bridge/values/FlashExRequest.h"
#include "services/media/MciDevice.h"
#include "services/common/ServiceArguments.h"
#include "security/SecurityPolicy.h"

// In the order in which invoke looks for a command.
const ServiceCommand<FlashExServiceMedia> FlashExServiceMedia::kCommands[] = {
    {"mciOpen", &FlashExServiceMedia::mciOpen, 1, 1},           {"mciPlay", &FlashExServiceMedia::mciPlay, 1, 1},
    {"mciIsPlaying", &FlashExServiceMedia::mciIsPlaying, 1, 1}, {"mciPause", &FlashExServiceMedia::mciPause, 1, 1},
    {"mciStop", &FlashExServiceMedia::mciStop, 1, 1},           {"mciClose", &FlashExServiceMedia::mciClose, 1, 1},
};

std::vector<CommandSignature> FlashExServiceMedia::commands() const { return signaturesOf(kCommands); }

namespace {

// Every command gets a parameter block, even one it reads nothing from: Wine's
// devices refuse a null block (MCIERR_NULL_PARAMETER_BLOCK) where no flag asks
// for a field. Neither MCI_WAIT nor MCI_NOTIFY is ever given.
MCIERROR sendCommand(MCIDEVICEID device, UINT message, DWORD flags = 0) {
    MCI_GENERIC_PARMS parameters = {};
    return mciSendCommandA(device, message, flags, reinterpret_cast<DWORD_PTR>(&parameters));
}

}  // namespace

FlashExServiceMedia::~FlashExServiceMedia() {
    for (const auto& open : devices_) sendCommand(open.second.id, MCI_CLOSE);
}

bool FlashExServiceMedia::invoke(FlashExRequest& request, ParamPtr& result) {
    return runCommand(*this, kCommands, request, result);
}

MCIDEVICEID FlashExServiceMedia::deviceOf(FlashExRequest& request) const {
    auto found = devices_.find(intArgument(request, 0));
    if (found == devices_.end()) throw FlashExException("mci handle invalid");
    return found->second.id;
}

const std::string& FlashExServiceMedia::deviceAlias(int handle) const {
    auto found = devices_.find(handle);
    if (found == devices_.end()) throw FlashExException("mci handle invalid");
    return found->second.alias;
}

ParamPtr FlashExServiceMedia::mciOpen(FlashExRequest& request) {
    const std::string path = policy_.checkRead(stringArgument(request, 0));
    std::string type = mciDeviceTypeOf(path);
    // Without an alias MCI names a device after its file and refuses to open
    // that file again while it is open; the count is the process's, since
    // aliases are shared by every service that opens devices.
    static unsigned opened = 0;
    std::string alias = "movara_media_" + std::to_string(++opened);
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = type.c_str();
    open.lpstrElementName = path.c_str();
    open.lpstrAlias = alias.c_str();
    checkMci(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_OPEN_ALIAS,
                             reinterpret_cast<DWORD_PTR>(&open)),
             "error mci open ");
    devices_[nextHandle_] = Device{open.wDeviceID, alias};
    return paramInt(nextHandle_++);
}

ParamPtr FlashExServiceMedia::mciPlay(FlashExRequest& request) {
    // Without MCI_FROM the device plays on from where it stands.
    MCI_PLAY_PARMS play = {};
    checkMci(mciSendCommandA(deviceOf(request), MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play)), "error mci play");
    return nullptr;
}

ParamPtr FlashExServiceMedia::mciIsPlaying(FlashExRequest& request) {
    MCI_STATUS_PARMS status = {};
    status.dwItem = MCI_STATUS_MODE;
    checkMci(mciSendCommandA(deviceOf(request), MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)),
             "error mci playing");
    return paramBool(status.dwReturn == MCI_MODE_PLAY);
}

ParamPtr FlashExServiceMedia::mciPause(FlashExRequest& request) {
    checkMci(sendCommand(deviceOf(request), MCI_PAUSE), "error mci pause");
    return nullptr;
}

ParamPtr FlashExServiceMedia::mciStop(FlashExRequest& request) {
    MCIDEVICEID device = deviceOf(request);
    checkMci(sendCommand(device, MCI_STOP), "error mci stop");
    // So that the next play starts from the beginning; a pause keeps its place.
    MCI_SEEK_PARMS seek = {};
    checkMci(mciSendCommandA(device, MCI_SEEK, MCI_SEEK_TO_START, reinterpret_cast<DWORD_PTR>(&seek)),
             "error mci seek to start");
    return nullptr;
}

ParamPtr FlashExServiceMedia::mciClose(FlashExRequest& request) {
    int handle = intArgument(request, 0);
    MCIDEVICEID device = deviceOf(request);
    sendCommand(device, MCI_CLOSE);  // a failed close is not reported; the handle goes either way
    devices_.erase(handle);
    return nullptr;
}
