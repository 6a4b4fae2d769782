#pragma once
#include <string>

#include "tbx/Error.h"

class EasySaxHandler;

// Raised when a text is refused before or while it is parsed: a document
// type declaration (which could load external files or declare entity
// bombs) or containers nested too deeply. Like the parser's own parse
// exception its text is not for the movie, which sees "unexpected error".
class FlashExXmlRefused : public tbx::Error {
public:
    explicit FlashExXmlRefused(const char* reason) : tbx::Error(reason, false), reason_(reason) {}
    const char* reason() const { return reason_; }

private:
    const char* reason_;
};

// The Xerces-C SAX parser behind the bridge's value and invoke parsing.
class XercesFacade {
public:
    // Initialises the parser library once per process; later calls do nothing.
    static void initialize();
    static bool isInitialized();

    // One SAX parse of text with handler as document handler. A text that
    // starts with "<?xml" is parsed as its bytes say; any other is taken as
    // ANSI text. Parse exceptions propagate; FlashExXmlRefused for refused markup;
    // FlashExException "初期化が完了していません。" before initialize().
    static void parseXMLString(EasySaxHandler& handler, const std::string& text);
    // The same for UTF-16 text ended by NUL (null reads as empty), parsed as
    // its ANSI text would be. Plain ASCII is read in place, narrowed a piece
    // at a time as the parser asks for it, so a long text is never copied.
    static void parseXMLString(EasySaxHandler& handler, const char16_t* text);
};
