#include "EasySaxHandler.h"

#include <xercesc/sax/AttributeList.hpp>
#include <xercesc/util/XMLString.hpp>

#include "tbx/TextConversion.h"

namespace {

std::string narrowOf(const XMLCh* text, size_t length) { return wideToMultiByte(std::u16string(text, length), CP_ACP); }

}  // namespace

bool XmlText::is(const char* ascii) const {
    size_t i = 0;
    for (; ascii[i] != '\0'; ++i) {
        if (i >= length_ || text_[i] != static_cast<XMLCh>(static_cast<unsigned char>(ascii[i]))) return false;
    }
    return i == length_;
}

const std::string& XmlText::narrow() const {
    if (!converted_) {
        narrow_ = narrowOf(text_, length_);
        converted_ = true;
    }
    return narrow_;
}

std::string XmlAttributes::get(const char* asciiName) const {
    const XMLCh* value = attributes_.getValue(asciiName);
    if (value == nullptr) return {};
    return narrowOf(value, xercesc::XMLString::stringLen(value));
}

void EasySaxHandler::startElement(const XMLCh* const name, xercesc::AttributeList& attributes) {
    startElement(XmlText(name, xercesc::XMLString::stringLen(name)), XmlAttributes(attributes));
}

void EasySaxHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    characters(XmlText(chars, length));
}

void EasySaxHandler::endElement(const XMLCh* const name) {
    endElement(XmlText(name, xercesc::XMLString::stringLen(name)));
}
