#include "bridge/host/FlashExMovieCall.h"

#include "bridge/host/CShockwaveflash1.h"
#include "bridge/values/FlashExParse.h"
#include "bridge/values/FlashExRequest.h"

ParamPtr callMovieFunction(CShockwaveflash1& player, const std::string& name, std::vector<ParamPtr> arguments) {
    FlashExRequest request;
    request.name = name;
    request.returntype = "xml";
    for (auto& value : arguments) request.arguments.push(std::move(value));
    std::string text;
    text.reserve(64);
    writeInvoke(request, text);
    return parseValue(player.CallFunction(text));
}
