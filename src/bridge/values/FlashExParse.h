#pragma once
#include <string>
#include <vector>

#include "bridge/values/FlashExParam.h"

struct FlashExRequest;

// Fills out from an invoke text (ANSI text, or bytes that start with "<?xml").
// Throws FlashExException "初期化が完了していません。" before the parser
// library is initialised (XercesFacade::initialize); malformed or refused
// text raises the parser's exception or FlashExXmlRefused and leaves out empty.
void parseRequest(const std::string& text, FlashExRequest& out);
// The same from UTF-16 text ended by NUL, as its ANSI text would be parsed;
// plain ASCII is read in place (see XercesFacade).
void parseRequest(const char16_t* text, FlashExRequest& out);

// The first root value of a value XML text; empty when the text holds none.
// Failures as parseRequest.
ParamPtr parseValue(const std::string& text);

// Appends the invoke text of request to out. The name is written unescaped.
void writeInvoke(const FlashExRequest& request, std::string& out);
