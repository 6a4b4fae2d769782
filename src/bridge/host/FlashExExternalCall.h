#pragma once
#include <string>

class CShockwaveflash1;
class FlashExServiceManager;

// Answers one external call of the movie: parses the invoke text, checks and
// removes the API key when apiKey is not empty, lets the manager run the
// command and sets the answer with the player's SetReturnValue: the result's
// value XML, "<null/>" for no result, or the error object for any failure
// ("unexpected error" for failures that carry no message). After a crash it
// does nothing: the movie's call returns undefined. Never throws.
void handleExternalCall(const std::string& text, FlashExServiceManager& manager, const std::string& apiKey,
                        CShockwaveflash1& player);
// The same from the player's UTF-16 text ended by NUL, read as its ANSI text
// would be: a long plain ASCII call is parsed in place, without a narrow copy.
void handleExternalCall(const char16_t* text, FlashExServiceManager& manager, const std::string& apiKey,
                        CShockwaveflash1& player);
