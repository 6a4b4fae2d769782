#pragma once
#include <string>

#include <xercesc/sax/HandlerBase.hpp>

// A name or text from the parser: compares exactly with an ASCII literal
// without converting, and converts to narrow ANSI text on first use.
class XmlText {
public:
    XmlText(const XMLCh* text, size_t length) : text_(text), length_(length) {}
    bool is(const char* ascii) const;
    const std::string& narrow() const;

private:
    const XMLCh* text_;
    size_t length_;
    mutable bool converted_ = false;
    mutable std::string narrow_;
};

// The attributes of a start tag, looked up by ASCII name.
class XmlAttributes {
public:
    explicit XmlAttributes(xercesc::AttributeList& attributes) : attributes_(attributes) {}
    // The value as narrow ANSI text; empty when the attribute is absent.
    std::string get(const char* asciiName) const;

private:
    xercesc::AttributeList& attributes_;
};

// Base of the program's SAX handlers: adapts the parser's document callbacks
// to text views. Everything else keeps the parser library's defaults.
class EasySaxHandler : public xercesc::HandlerBase {
public:
    virtual void startElement(const XmlText& name, const XmlAttributes& attributes) {}
    virtual void characters(const XmlText& text) {}
    virtual void endElement(const XmlText& name) {}

private:
    void startElement(const XMLCh* const name, xercesc::AttributeList& attributes) override;
    void characters(const XMLCh* const chars, const XMLSize_t length) override;
    void endElement(const XMLCh* const name) override;
};
