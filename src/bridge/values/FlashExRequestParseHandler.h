#pragma once
#include "bridge/values/FlashExParseParamHandler.h"

struct FlashExRequest;

// Fills a request from an invoke text: the invoke element's name and return
// type, and the values inside its arguments element.
class FlashExRequestParseHandler : public FlashExParseParamHandler {
public:
    explicit FlashExRequestParseHandler(FlashExRequest& request) : request_(request) {}

protected:
    void startValueElement(Element element, const Attributes& attributes) override;

private:
    FlashExRequest& request_;
};
