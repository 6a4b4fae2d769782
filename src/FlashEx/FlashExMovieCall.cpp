#include "FlashExMovieCall.h"

#include "CShockwaveflash1.h"
#include "FlashExParse.h"
#include "FlashExRequest.h"

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
