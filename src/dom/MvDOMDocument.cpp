#include "dom/MvDOMDocument.h"

#include "dom/MvDOMEncoding.h"
#include "dom/MvDOMException.h"
#include "dom/MvDOMNodeData.h"
#include "dom/MvDOMParser.h"
#include "tbx/FileUtil.h"

namespace {

const size_t maxDeclarationLine = 1023;

// The whole file as text: a CR LF pair reads as one LF.
std::string readTextFile(const std::string& path) {
    std::string bytes = tbx::read_file(path);
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    return text;
}

// The first line, up to its LF (consumed) and at most 1023 bytes; rest is set
// to where the document proper starts, or to the end when the line was cut.
std::string readDeclarationLine(const std::string& input, size_t& rest) {
    size_t lineEnd = input.find('\n');
    if (lineEnd != std::string::npos && lineEnd <= maxDeclarationLine) {
        rest = lineEnd + 1;
        return input.substr(0, lineEnd);
    }
    rest = input.size();
    return input.substr(0, maxDeclarationLine);
}

std::string toShiftJis(MvDOMEncoding encoding, const std::string& text) {
    switch (encoding) {
        case MvDOMEncoding::EucJp:
            return eucToShiftJis(text);
        case MvDOMEncoding::Utf8:
            return utf8ToNative(text);
        case MvDOMEncoding::Jis:
            return jisToShiftJis(text);
        default:
            return text;
    }
}

std::string declared(const MvDOMAttributes& declaration, const char* name) {
    auto found = declaration.find(name);
    return found == declaration.end() ? std::string() : found->second;
}

}  // namespace

MvDOMDocument::MvDOMDocument()
    : MvDOMNode(new MvDOMNodeData(MvDOM_DOCUMENT, std::string(), std::string(), nullptr)),
      declaration_{{"version", "1.0"}, {"encoding", "Shift_JIS"}} {}

MvDOMDocument::~MvDOMDocument() = default;

void MvDOMDocument::load(const std::string& path) {
    try {
        parse(readTextFile(path));
    } catch (const MvDOMException&) {
        throw;
    } catch (...) {
        throw MvDOMException("can not open file");
    }
}

void MvDOMDocument::loadXML(const std::string& text) { parse(std::string(text.c_str())); }

void MvDOMDocument::parse(const std::string& input) {
    clearChildren();
    declaration_.clear();
    size_t rest = 0;
    std::string line = readDeclarationLine(input, rest);
    if (line.size() < 8) throw MvDOMException("not support file");
    size_t cut = line.rfind('?');
    if (cut == std::string::npos) throw MvDOMException("not support file");
    // The first five bytes, meant to be "<?xml", are skipped whatever they hold.
    std::string attributes = cut > 5 ? line.substr(5, cut - 5) : std::string();
    try {
        parseDeclarationAttributes(attributes, declaration_);
    } catch (const MvDOMException&) {
        throw MvDOMException("not support file");
    }
    if (declared(declaration_, "version") != "1.0") throw MvDOMException("not support file");
    MvDOMEncoding encoding = classifyEncoding(declared(declaration_, "encoding"));
    if (encoding == MvDOMEncoding::Unsupported) throw MvDOMException("unsupport encoding error");
    // The converter copies EUC-JP's three-byte characters, which no Shift_JIS
    // character walk can follow; such text is scanned byte by byte.
    MvDOMScan scan = encoding == MvDOMEncoding::EucJp ? MvDOMScan::Bytes : MvDOMScan::Characters;
    parseChildren(*this, toShiftJis(encoding, input.substr(rest)), scan);
}
