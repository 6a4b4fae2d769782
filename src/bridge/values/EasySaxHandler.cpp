#include "bridge/values/EasySaxHandler.h"

#include <algorithm>

#include <xercesc/sax/AttributeList.hpp>
#include <xercesc/util/XMLString.hpp>

#include "bridge/values/AsciiText.h"
#include "tbx/TextConversion.h"

namespace {

// Appends text to out as narrow ANSI text. ASCII is the same in the ANSI code
// page: copied without a conversion call, which most names, numbers and texts
// of the bridge are.
void appendNarrow(std::string& out, const XMLCh* text, size_t length) {
    // Through a small buffer: growing the string first would fill it with
    // zeros only to overwrite them. Under a page, so that the frame needs no
    // stack probe: the function runs for every name and number.
    char chunk[2048];
    const size_t start = out.size();
    for (size_t done = 0; done < length;) {
        const size_t count = std::min(length - done, sizeof chunk);
        if (!ascii::narrowPlain(text + done, count, chunk)) {
            out.resize(start);
            out += wideToMultiByte(std::u16string(text, length), CP_ACP);
            return;
        }
        out.append(chunk, count);
        done += count;
    }
}

// True when the parser's name is exactly the ASCII name.
bool sameName(const XMLCh* name, const char* ascii) {
    for (; *ascii != '\0'; ++name, ++ascii) {
        if (*name != static_cast<XMLCh>(static_cast<unsigned char>(*ascii))) return false;
    }
    return *name == 0;
}

}  // namespace

size_t EasySaxHandler::Text::length() const {
    if (length_ == kUnmeasured) length_ = xercesc::XMLString::stringLen(text_);
    return length_;
}

void EasySaxHandler::Text::appendNarrowTo(std::string& out) const { appendNarrow(out, text_, length()); }

std::string EasySaxHandler::Attributes::get(const char* asciiName) const {
    std::string value;
    getInto(asciiName, value);
    return value;
}

void EasySaxHandler::Attributes::getInto(const char* asciiName, std::string& out) const {
    out.clear();
    // Compared in place: the library's lookup by a narrow name transcodes the
    // name into a new buffer on every call.
    const XMLSize_t count = attributes_.getLength();
    for (XMLSize_t i = 0; i < count; ++i) {
        if (!sameName(attributes_.getName(i), asciiName)) continue;
        const XMLCh* value = attributes_.getValue(i);
        appendNarrow(out, value, xercesc::XMLString::stringLen(value));
        return;
    }
}

void EasySaxHandler::startElement(const XMLCh* const name, xercesc::AttributeList& attributes) {
    startElement(Text(name), Attributes(attributes));
}

void EasySaxHandler::characters(const XMLCh* const chars, const XMLSize_t length) { characters(Text(chars, length)); }

void EasySaxHandler::endElement(const XMLCh* const name) {
    endElement(Text(name));
}
