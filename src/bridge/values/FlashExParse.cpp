#include "bridge/values/FlashExParse.h"

#include <memory>

#include "bridge/values/FlashExParseParamHandler.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/values/FlashExRequestParseHandler.h"
#include "bridge/values/XercesFacade.h"

namespace {

template <typename Text>
void parseRequestText(const Text& text, FlashExRequest& out) {
    out.reset();
    try {
        FlashExRequestParseHandler handler(out);
        XercesFacade::parseXMLString(handler, text);
    } catch (...) {
        out.reset();  // nothing half parsed reaches a service
        throw;
    }
}

}  // namespace

void parseRequest(const std::string& text, FlashExRequest& out) { parseRequestText(text, out); }

void parseRequest(const char16_t* text, FlashExRequest& out) { parseRequestText(text, out); }

ParamPtr parseValue(const std::string& text) {
    FlashExParseParamHandler handler;
    XercesFacade::parseXMLString(handler, text);
    return handler.releaseFirstRoot();
}

void writeInvoke(const FlashExRequest& request, std::string& out) {
    out.reserve(out.size() + 40 + request.name.size() + request.returntype.size() + request.arguments.xmlSizeHint());
    out += "<invoke name=\"";
    out += request.name;
    out += "\" returntype=\"";
    out += request.returntype;
    out += "\">";
    request.arguments.writeXML(out);
    out += "</invoke>";
}
