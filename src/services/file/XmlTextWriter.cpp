#include "services/file/XmlTextWriter.h"

#include <windows.h>

#include <new>

#include "bridge/values/FlashExParam.h"
#include "tbx/MvException.h"

namespace {

// Attribute values keep their line ends and tabs as character references;
// the markup characters are the value XML's entities.
const char* reference(char c) {
    switch (c) {
        case '\t':
            return "&#9;";
        case '\n':
            return "&#10;";
        case '\r':
            return "&#13;";
        default:
            return xmlEntityOf(static_cast<unsigned char>(c));
    }
}

}  // namespace

void XmlTextWriter::append(const std::string& bytes) {
    try {
        buffer_ += bytes;
    } catch (const std::bad_alloc&) {
        throw MvException("メモリの確保に失敗しました。");
    }
}

void XmlTextWriter::closeStartTag() {
    if (!startTagOpen_) return;
    append(">");
    startTagOpen_ = false;
}

void XmlTextWriter::startElement(const std::string& name) {
    closeStartTag();
    append("<" + name);
    startTagOpen_ = true;
    openElements_.push_back(name);
}

void XmlTextWriter::writeLabel(const std::string& value) {
    if (!startTagOpen_) throw MvException("xml属性出力形式エラー");
    append(" label=\"" + escapeAttribute(value) + "\"");
}

void XmlTextWriter::endElement() {
    if (openElements_.empty()) throw MvException("xml属性出力形式エラー");
    closeStartTag();
    append("</" + openElements_.back() + ">");
    openElements_.pop_back();
}

std::string escapeAttribute(const std::string& value) {
    std::string out;
    out.reserve(value.size() + value.size() / 5);
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < value.size()) {
            out += c;
            out += value[++i];
        } else if (const char* entity = reference(c)) {
            out += entity;
        } else {
            out += c;
        }
    }
    return out;
}
