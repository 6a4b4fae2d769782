#pragma once
#include <string>

class CShockwaveflash1;
class FlashExParam;
struct FlashExRequest;

// Fills out from an invoke text (ANSI text, or bytes that start with "<?xml").
// Throws FlashExException "初期化が完了していません。" before the parser
// library is initialised (XercesFacade::initialize); malformed or refused
// text raises the parser's exception or FlashExXmlRefused and leaves out empty.
void parseRequest(const std::string& text, FlashExRequest& out);

// The first root value of a value XML text, owned by the caller; null when
// the text holds none. Failures as parseRequest.
FlashExParam* parseValue(const std::string& text);

// Appends the invoke text of request to out. The name is written unescaped.
void writeInvoke(const FlashExRequest& request, std::string& out);

// Calls the movie function name through the player's CallFunction with up to
// three argument values, which it takes over and destroys (null pointers are
// left out). Returns the movie's answer, owned by the caller, or null.
// Failures of the call or of parsing the answer reach the caller.
FlashExParam* callMovieFunction(CShockwaveflash1& player, const std::string& name, FlashExParam* first = nullptr,
                                FlashExParam* second = nullptr, FlashExParam* third = nullptr);
