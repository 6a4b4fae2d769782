#pragma once
#include <string>
#include <vector>

// Writes the directory listing XML: elements with one "label" attribute each,
// no declaration, no white space, every element with an end tag.
class XmlTextWriter {
public:
    void startElement(const std::string& name);
    // Only while a start tag is open; MvException "xml属性出力形式エラー" otherwise.
    void writeLabel(const std::string& value);
    void endElement();
    std::string text() const { return buffer_; }

private:
    void append(const std::string& bytes);
    void closeStartTag();

    std::string buffer_;
    std::vector<std::string> openElements_;
    bool startTagOpen_ = false;
};

// The attribute value with tab, line feed, carriage return, '"', '&', '\'',
// '<' and '>' written as references; double-byte characters pass whole.
std::string escapeAttribute(const std::string& value);
