#include "bridge/values/FlashExRequestParseHandler.h"

#include "bridge/values/FlashExRequest.h"

void FlashExRequestParseHandler::startValueElement(Element element, const Attributes& attributes) {
    if (element == Element::Invoke) {
        request_.name = attributes.get("name");
        request_.returntype = attributes.get("returntype");
    } else if (element == Element::Arguments) {
        // The arguments collect the following values as an array would; the
        // request owns them, so the handler never adds them as a root.
        openContainer(&request_.arguments, kInArray);
    } else {
        FlashExParseParamHandler::startValueElement(element, attributes);
    }
}
