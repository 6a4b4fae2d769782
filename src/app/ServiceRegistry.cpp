#include "app/ServiceRegistry.h"

#include <memory>

#include "bridge/host/FlashExHost.h"
#include "bridge/host/FlashExServiceManager.h"
#include "services/automation/FlashExServiceOle.h"
#include "services/clipboard/FlashExServiceClipboard.h"
#include "services/controls/FlashExServiceComModule.h"
#include "services/dialogs/FlashExServiceCommonDlg.h"
#include "services/file/FlashExServiceFile.h"
#include "services/images/FlashExServiceImageFile.h"
#include "services/images/FlashExServiceSwf.h"
#include "services/media/FlashExServiceMedia.h"
#include "services/shell/FlashExServiceShell.h"
#include "services/window/FlashExServiceDlg.h"

void registerServices(FlashExServiceManager& manager, const ServiceWiring& wiring) {
    manager.addService(std::make_unique<FlashExServiceDlg>(wiring.host, wiring.policy));
    manager.addService(std::make_unique<FlashExServiceFile>(wiring.policy, wiring.tempFolders));
    manager.addService(std::make_unique<FlashExServiceOle>(wiring.policy));
    manager.addService(std::make_unique<FlashExServiceComModule>(wiring.policy, wiring.host, wiring.encoders));
    manager.addService(std::make_unique<FlashExServiceShell>(wiring.policy, wiring.host));
    manager.addService(std::make_unique<FlashExServiceSwf>(wiring.rasteriser, wiring.policy, wiring.encoders));
    manager.addService(std::make_unique<FlashExServiceClipboard>(wiring.policy, wiring.host, wiring.encoders));
    manager.addService(std::make_unique<FlashExServiceCommonDlg>(wiring.host));
    manager.addService(std::make_unique<FlashExServiceImageFile>(wiring.rasteriser, wiring.policy, wiring.encoders));
    manager.addService(std::make_unique<FlashExServiceMedia>(wiring.policy));
}
