#include "bridge/values/EasySaxHandler.h"

#include <xercesc/sax/AttributeList.hpp>
#include <xercesc/util/XMLString.hpp>

#include "tbx/TextConversion.h"

namespace {

// ASCII is the same in the ANSI code page: copied without a conversion call,
// which most names, numbers and texts of the bridge are.
std::string narrowOf(const XMLCh* text, size_t length) {
    std::string ascii(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        if (text[i] >= 0x80 || text[i] == 0) return wideToMultiByte(std::u16string(text, length), CP_ACP);
        ascii[i] = static_cast<char>(text[i]);
    }
    return ascii;
}

}  // namespace

bool EasySaxHandler::Text::is(const char* ascii) const {
    size_t i = 0;
    for (; ascii[i] != '\0'; ++i) {
        if (i >= length_ || text_[i] != static_cast<XMLCh>(static_cast<unsigned char>(ascii[i]))) return false;
    }
    return i == length_;
}

const std::string& EasySaxHandler::Text::narrow() const {
    if (!converted_) {
        narrow_ = narrowOf(text_, length_);
        converted_ = true;
    }
    return narrow_;
}

std::string EasySaxHandler::Attributes::get(const char* asciiName) const {
    const XMLCh* value = attributes_.getValue(asciiName);
    if (value == nullptr) return {};
    return narrowOf(value, xercesc::XMLString::stringLen(value));
}

void EasySaxHandler::startElement(const XMLCh* const name, xercesc::AttributeList& attributes) {
    startElement(Text(name, xercesc::XMLString::stringLen(name)), Attributes(attributes));
}

void EasySaxHandler::characters(const XMLCh* const chars, const XMLSize_t length) { characters(Text(chars, length)); }

void EasySaxHandler::endElement(const XMLCh* const name) {
    endElement(Text(name, xercesc::XMLString::stringLen(name)));
}
