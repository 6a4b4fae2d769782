#pragma once
#include "bridge/host/FlashExCommandTable.h"
#include "bridge/host/FlashExService.h"

class SecurityPolicy;
struct FlashExRequest;

// The one service a rasterised movie may call: "loadTextFile" of a file that
// the security policy lets it read. A UTF-8 byte order mark is not skipped.
class FlashExServiceSecureFile : public FlashExService {
public:
    explicit FlashExServiceSecureFile(SecurityPolicy& policy) : policy_(policy) {}

    bool invoke(FlashExRequest& request, ParamPtr& result) override;
    std::vector<CommandSignature> commands() const override;

private:
    static const ServiceCommand<FlashExServiceSecureFile> kCommands[];

    ParamPtr loadTextFile(FlashExRequest& request);

    SecurityPolicy& policy_;
};
