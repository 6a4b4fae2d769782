#pragma once
#include "FlashEx/FlashExService.h"

class FlashExParam;
struct FlashExRequest;

// The one service a rasterised movie may call: "loadTextFile" of a file that
// the security policy lets it read. A UTF-8 byte order mark is not skipped.
class FlashExServiceSecureFile : public FlashExService {
public:
    FlashExServiceSecureFile() = default;
    bool invoke(FlashExRequest& request, FlashExParam*& result) override;
};
