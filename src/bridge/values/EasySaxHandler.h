#pragma once
#include <string>

#include <xercesc/sax/HandlerBase.hpp>

// Base of the program's SAX handlers: adapts the parser's document callbacks
// to text views. Everything else keeps the parser library's defaults.
class EasySaxHandler : public xercesc::HandlerBase {
public:
    // A name or text from the parser: compares exactly with an ASCII literal
    // without converting, and appends itself as narrow ANSI text.
    class Text {
    public:
        Text(const XMLCh* text, size_t length) : text_(text), length_(length) {}
        // A name as the parser gives it, ended by NUL: measured only when asked.
        explicit Text(const XMLCh* name) : text_(name), length_(kUnmeasured) {}
        // Inline: a handler asks it of every element several times over.
        bool is(const char* ascii) const {
            size_t i = 0;
            if (length_ == kUnmeasured) {
                // A NUL in the name differs from any letter of ascii.
                for (; ascii[i] != '\0'; ++i) {
                    if (text_[i] != static_cast<XMLCh>(static_cast<unsigned char>(ascii[i]))) return false;
                }
                return text_[i] == 0;
            }
            for (; ascii[i] != '\0'; ++i) {
                if (i >= length_ || text_[i] != static_cast<XMLCh>(static_cast<unsigned char>(ascii[i]))) return false;
            }
            return i == length_;
        }
        // The first character; 0 for an empty text.
        XMLCh front() const { return length_ == 0 ? 0 : text_[0]; }
        size_t length() const;
        // Appends the narrow ANSI text to out: ASCII without a temporary string.
        void appendNarrowTo(std::string& out) const;

    private:
        static const size_t kUnmeasured = static_cast<size_t>(-1);
        const XMLCh* text_;
        mutable size_t length_;
    };

    // The attributes of a start tag, looked up by ASCII name.
    class Attributes {
    public:
        explicit Attributes(xercesc::AttributeList& attributes) : attributes_(attributes) {}
        // The value as narrow ANSI text; empty when the attribute is absent.
        std::string get(const char* asciiName) const;
        // The same into out, reusing its buffer.
        void getInto(const char* asciiName, std::string& out) const;

    private:
        xercesc::AttributeList& attributes_;
    };

    virtual void startElement(const Text& name, const Attributes& attributes) {}
    virtual void characters(const Text& text) {}
    virtual void endElement(const Text& name) {}

    // The length of the narrow text being parsed, set before the parse: no
    // text in it is longer, which lets a long string be reserved once.
    void setSourceLength(size_t length) { sourceLength_ = length; }

protected:
    size_t sourceLength() const { return sourceLength_; }

private:
    void startElement(const XMLCh* const name, xercesc::AttributeList& attributes) override;
    void characters(const XMLCh* const chars, const XMLSize_t length) override;
    void endElement(const XMLCh* const name) override;

    size_t sourceLength_ = 0;
};
