#include "dom/MvDOMParser.h"

#include <cstring>
#include <vector>

#include "dom/MvDOMException.h"
#include "dom/MvDOMNodeData.h"

#include <windows.h>

namespace {

const char blanks[] = " \r\n\t";

bool startsWith(const std::string& text, const char* prefix) { return text.compare(0, strlen(prefix), prefix) == 0; }

bool endsWith(const std::string& text, const char* suffix) {
    size_t n = strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

bool startsWithIgnoringCase(const std::string& text, const char* prefix) {
    size_t n = strlen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = text[i];
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        if (c != static_cast<unsigned char>(prefix[i])) return false;
    }
    return true;
}

// Whether a byte can be the second byte of a Shift_JIS character; the
// delimiters below 0x40 ("<", ">", "-", quotes) never are, "[" and "]" can be.
bool canBeSecondByte(char c) { return static_cast<unsigned char>(c) >= 0x40; }

bool isLeadByte(char c) { return IsDBCSLeadByteEx(932, static_cast<BYTE>(c)) != FALSE; }

// The scanner's position in the converted text, and how it finds "[" and "]":
// character by character in Shift_JIS text, so that a second byte 0x5D
// (ゾ is 83 5D) is no bracket; byte by byte in text that is not Shift_JIS
// throughout, where a character walk would fall out of step.
class Input {
public:
    Input(const std::string& text, MvDOMScan scan) : text_(text), scan_(scan) {}
    bool atEnd() const { return position_ >= text_.size(); }

    // The bytes up to the next delimiter (consumed) or the end of the input;
    // found tells which of the two ended the chunk.
    std::string readUntil(char delimiter, bool* found = nullptr) {
        return takeUpTo(text_.find(delimiter, position_), found);
    }

    // The text up to the next "]" that is a character of its own (consumed).
    std::string readUntilBracket(bool* found) { return takeUpTo(findBracket(text_, ']', position_), found); }

    // As readUntil, less one final NUL byte (left by UTF-16 input).
    std::string readChunk(char delimiter, bool* found = nullptr) {
        std::string chunk = readUntil(delimiter, found);
        if (!chunk.empty() && chunk.back() == '\0') chunk.pop_back();
        return chunk;
    }

    // The first bracket character at or after from in text, or npos.
    size_t findBracket(const std::string& text, char bracket, size_t from) const {
        if (scan_ == MvDOMScan::Bytes) return text.find(bracket, from);
        for (size_t i = from; i < text.size(); ++i) {
            if (text[i] == bracket) return i;
            if (isLeadByte(text[i])) ++i;
        }
        return std::string::npos;
    }

    // Whether the byte at position begins a character of text.
    bool startsCharacter(const std::string& text, size_t position) const {
        if (scan_ == MvDOMScan::Bytes) return true;
        size_t i = 0;
        while (i < position) i += isLeadByte(text[i]) ? 2 : 1;
        return i == position;
    }

private:
    // A chunk that runs to the end of the input leaves the input at its end.
    std::string takeUpTo(size_t end, bool* found) {
        if (found) *found = end != std::string::npos;
        if (end == std::string::npos) end = text_.size();
        std::string chunk = text_.substr(position_, end - position_);
        position_ = end < text_.size() ? end + 1 : text_.size();
        return chunk;
    }

    const std::string& text_;
    MvDOMScan scan_;
    size_t position_ = 0;
};

// A CDATA section or comment: its content runs from after the opening to the
// first terminator-plus-">" that lies wholly after the opening, so that
// "<!-->" does not close itself. tagClosed tells whether a ">" ended the tag.
std::string readSection(Input& input, const std::string& tag, bool tagClosed, size_t openingLength,
                        const char* closing) {
    if (!tagClosed) throw MvDOMException("parsing error");
    std::string content = tag.substr(openingLength) + ">";
    const bool checkCharacter = canBeSecondByte(closing[0]);
    while (!endsWith(content, closing) ||
           (checkCharacter && !input.startsCharacter(content, content.size() - strlen(closing)))) {
        bool found = false;
        if (input.atEnd()) throw MvDOMException("parsing error");
        content += input.readChunk('>', &found);
        if (!found) throw MvDOMException("parsing error");
        content += ">";
    }
    content.resize(content.size() - strlen(closing));
    return content;
}

// A document type; an internal subset "[...]" may hold ">" bytes, so the tag
// is read on to the "]" and then to the next ">". A subset that is never
// closed ends the declaration at the end of the input.
std::string readDocumentType(Input& input, const std::string& tag) {
    std::string text = tag;
    size_t bracket = input.findBracket(text, '[', 0);
    if (bracket != std::string::npos && input.findBracket(text, ']', bracket) == std::string::npos) {
        bool closed = false;
        text += input.readUntilBracket(&closed);
        if (closed) {
            text += "]";
            text += input.readUntil('>');
        }
    }
    size_t blank = text.find_first_of(blanks);
    if (blank == std::string::npos) return std::string();
    size_t valueStart = text.find_first_not_of(blanks, blank);
    return valueStart == std::string::npos ? std::string() : text.substr(valueStart);
}

void readMarkupDeclaration(Input& input, const std::string& tag, bool tagClosed, MvDOMNode& parent) {
    if (tag.size() < 2) return;
    // A section that starts with ">" ("<![CDATA[>...]]>") has a tag of
    // exactly the opening's length; it is a CDATA section all the same.
    if (startsWith(tag, "![CDATA[")) {
        parent.appendNode("#CDATA", readSection(input, tag, tagClosed, 8, "]]>"), MvDOM_CDATA, nullptr);
    } else if (tag.size() >= 3 && tag[1] == '-' && tag[2] == '-') {
        parent.appendNode("#comment", readSection(input, tag, tagClosed, 3, "-->"), MvDOM_COMMENT, nullptr);
    } else if (startsWithIgnoringCase(tag, "!DOCTYPE")) {
        parent.appendNode("#DOCTYPE", readDocumentType(input, tag), MvDOM_DOCTYPE, nullptr);
    }
}

// Appends the element of a start tag; returns it when its children follow.
MvDOMNode* readStartTag(const std::string& tag, MvDOMNode& parent) {
    size_t delimiter = tag.find_first_of(" \t\r\n/");
    MvDOMNode* element = parent.appendElement(tag.substr(0, delimiter));
    bool selfClosing = tag.back() == '/';
    if (delimiter != std::string::npos && tag[delimiter] != '/') {
        std::string attributes = tag.substr(delimiter);
        if (selfClosing) attributes.pop_back();
        parseDeclarationAttributes(attributes, element->content()->attributes);
    }
    return selfClosing ? nullptr : element;
}

}  // namespace

void parseDeclarationAttributes(const std::string& text, MvDOMAttributes& attributes) {
    attributes.clear();
    const std::string source(text.c_str());
    size_t i = 0;
    while (true) {
        i = source.find_first_not_of(blanks, i);
        if (i == std::string::npos) return;
        size_t nameEnd = source.find_first_of(" \r\n\t=", i);
        if (nameEnd == std::string::npos) return;
        std::string name = source.substr(i, nameEnd - i);
        size_t open = source.find_first_of("'\"", nameEnd);
        if (open == std::string::npos) throw MvDOMException("parsing error");
        size_t close = source.find(source[open], open + 1);
        if (close == std::string::npos) throw MvDOMException("parsing error");
        attributes[name] = source.substr(open + 1, close - open - 1);
        i = close + 1;
    }
}

namespace {

// Iterative, with the open elements on a list of its own, so that deep
// nesting cannot exhaust the machine stack.
void scanChildren(MvDOMNode& parent, const std::string& text, MvDOMScan scan) {
    Input input(text, scan);
    std::vector<MvDOMNode*> open{&parent};
    while (!input.atEnd()) {
        std::string chunk = input.readChunk('<');
        if (!chunk.empty()) open.back()->appendText(chunk);
        if (input.atEnd()) return;
        bool tagClosed = false;
        std::string tag = input.readChunk('>', &tagClosed);
        if (tag.empty()) throw MvDOMException("parsing error");
        switch (tag[0]) {
            case '/':
                open.pop_back();
                if (open.empty()) return;
                break;
            case '?':
                open.back()->appendNode("#unsupport", tag, MvDOM_UNSUPPORTED, nullptr);
                break;
            case '!':
                readMarkupDeclaration(input, tag, tagClosed, *open.back());
                break;
            default:
                if (MvDOMNode* element = readStartTag(tag, *open.back())) open.push_back(element);
                break;
        }
    }
}

}  // namespace

void parseChildren(MvDOMNode& parent, const std::string& text, MvDOMScan scan) {
    // Whatever goes wrong inside the scan is a parsing error of the document.
    try {
        scanChildren(parent, text, scan);
    } catch (const MvDOMException&) {
        throw;
    } catch (const std::exception&) {
        throw MvDOMException("parsing error");
    }
}
