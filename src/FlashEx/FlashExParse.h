#pragma once
#include <string>
#include <vector>

#include "FlashExParam.h"

class CShockwaveflash1;
struct FlashExRequest;

// Fills out from an invoke text (ANSI text, or bytes that start with "<?xml").
// Throws FlashExException "初期化が完了していません。" before the parser
// library is initialised (XercesFacade::initialize); malformed or refused
// text raises the parser's exception or FlashExXmlRefused and leaves out empty.
void parseRequest(const std::string& text, FlashExRequest& out);

// The first root value of a value XML text; empty when the text holds none.
// Failures as parseRequest.
ParamPtr parseValue(const std::string& text);

// Appends the invoke text of request to out. The name is written unescaped.
void writeInvoke(const FlashExRequest& request, std::string& out);

// Calls the movie function name through the player's CallFunction with the
// argument values (an empty one is sent as null). Returns the movie's answer,
// or empty for none. Failures of the call or of parsing the answer reach the caller.
// The argument list of a call, from values that cannot be copied.
template <typename... Values>
std::vector<ParamPtr> makeArguments(Values&&... values) {
    std::vector<ParamPtr> arguments;
    (arguments.push_back(std::forward<Values>(values)), ...);
    return arguments;
}

ParamPtr callMovieFunction(CShockwaveflash1& player, const std::string& name, std::vector<ParamPtr> arguments = {});
