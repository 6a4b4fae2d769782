#include "bridge/values/FlashExRequestParseHandler.h"

#include "bridge/values/FlashExRequest.h"

void FlashExRequestParseHandler::startElement(const Text& name, const Attributes& attributes) {
    if (name.is("invoke")) {
        request_.name = attributes.get("name");
        request_.returntype = attributes.get("returntype");
    } else if (name.is("arguments")) {
        // The arguments collect the following values as an array would; the
        // request owns them, so the handler never adds them as a root.
        openContainer(&request_.arguments, kInArray);
    } else {
        FlashExParseParamHandler::startElement(name, attributes);
    }
}
