// The bridge against the parser library under it: parsing an invoke text,
// a whole external call through a player, and writing value XML (against a
// tight writer over the same value as plain data).
#include <array>
#include <charconv>
#include <emmintrin.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/SAXParser.hpp>
#include <xercesc/sax/HandlerBase.hpp>

#include "BenchInputs.h"
#include "BenchPairs.h"
#include "BenchPlayer.h"
#include "bridge/host/CShockwaveflash1.h"
#include "bridge/host/FlashExExternalCall.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExParse.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/host/FlashExService.h"
#include "bridge/host/FlashExServiceManager.h"
#include "tbx/TextConversion.h"

namespace {

struct Input {
    const char* size;
    std::string text;
};

const std::vector<Input>& parseInputs() {
    static const std::vector<Input> inputs = {
        {"small", bench::smallInvoke("echo")},
        {"1000 numbers", bench::numberArrayInvoke("echo", 1000)},
        {"10000 numbers", bench::numberArrayInvoke("echo", 10000)},
        {"100000 numbers", bench::numberArrayInvoke("echo", 100000)},
        {"1000 strings", bench::stringObjectInvoke("echo", 1000)},
        {"10 MB string", bench::bigStringInvoke("echo", 10 * 1000 * 1000)},
    };
    return inputs;
}

// The floor of parsing: the library's SAX parser, made once, with a handler
// that does nothing, reading the text's bytes as they are.
class BareSaxParse {
public:
    BareSaxParse() {
        parser_.setValidationScheme(xercesc::SAXParser::Val_Never);
        parser_.setDocumentHandler(&handler_);
        parser_.setErrorHandler(&handler_);
    }
    void parse(const std::string& text) {
        xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(), "bench", false);
        source.setCopyBufToStream(false);  // read in place, as the bridge does
        parser_.parse(source);
    }

private:
    xercesc::SAXParser parser_;
    xercesc::HandlerBase handler_;
};

// A report beside the floor of parsing: the same bare parse, also keeping
// every text it reads, narrowed, in memory of its own. The least any parse
// that gives values must do: one block the size of the source, new for each
// parse as a new request's values are, each text's place in it noted.
class KeepingSaxParse : public xercesc::HandlerBase {
public:
    KeepingSaxParse() {
        parser_.setValidationScheme(xercesc::SAXParser::Val_Never);
        parser_.setDocumentHandler(this);
        parser_.setErrorHandler(this);
        parser_.setInputBufferSize(64 * 1024);  // texts in pieces that stay in the cache
    }
    void parse(const std::string& text) {
        kept_.reset(new char[text.size()]);
        used_ = 0;
        ends_.clear();
        xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(), "bench", false);
        source.setCopyBufToStream(false);
        parser_.parse(source);
    }
    size_t count() const { return ends_.size(); }

    // The inputs are ASCII: sixteen characters packed to bytes at a time.
    void characters(const XMLCh* const chars, const XMLSize_t length) override {
        char* out = kept_.get() + used_;
        XMLSize_t i = 0;
        for (; i + 16 <= length; i += 16) {
            const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
            const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i + 8));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
        }
        for (; i < length; ++i) out[i] = static_cast<char>(chars[i]);
        used_ += length;
    }
    void endElement(const XMLCh* const) override { ends_.push_back(used_); }

private:
    xercesc::SAXParser parser_;
    std::unique_ptr<char[]> kept_;
    size_t used_ = 0;
    std::vector<size_t> ends_;
};

// Answers "echo" with its first argument, handed over without a copy.
class EchoService : public FlashExService {
public:
    bool invoke(FlashExRequest& request, ParamPtr& result) override {
        if (request.name != "echo") return false;
        result = request.arguments.take(0);
        return true;
    }
};

void parseRequestMovara(benchmark::State& state, const std::string& text) {
    FlashExRequest request;
    for (auto _ : state) {
        parseRequest(text, request);
        benchmark::DoNotOptimize(request.arguments.size());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

void parseRequestFloor(benchmark::State& state, const std::string& text) {
    BareSaxParse parse;
    for (auto _ : state) parse.parse(text);
    state.SetBytesProcessed(state.iterations() * text.size());
}

void parseRequestKeeping(benchmark::State& state, const std::string& text) {
    KeepingSaxParse parse;
    for (auto _ : state) {
        parse.parse(text);
        benchmark::DoNotOptimize(parse.count());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

void bridgeMovara(benchmark::State& state, const std::string& text) {
    FlashExServiceManager manager;
    manager.addService(std::make_unique<EchoService>());
    BenchPlayer fake;
    CShockwaveflash1 player(&fake);
    for (auto _ : state) {
        handleExternalCall(text, manager, "", player);
        benchmark::DoNotOptimize(fake.lastAnswerLength);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

// The answer the bridge gives for text, found once through the bridge itself.
std::string echoAnswer(const std::string& text) {
    FlashExRequest request;
    parseRequest(text, request);
    std::string xml;
    request.arguments.at(0)->writeXML(xml);
    return xml;
}

// The floor of a call: parse the text, write the answer's bytes and hand them
// to the player as an automation string, as any host must.
void bridgeFloor(benchmark::State& state, const std::string& text) {
    const std::string answer = echoAnswer(text);
    BareSaxParse parse;
    BenchPlayer fake;
    for (auto _ : state) {
        parse.parse(text);
        std::string xml;
        xml += answer;
        std::u16string wide = multiByteToWide(xml, CP_ACP);
        BSTR value = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()), static_cast<UINT>(wide.size()));
        VARIANT argument;
        V_VT(&argument) = VT_BSTR;
        V_BSTR(&argument) = value;
        DISPPARAMS parameters = {&argument, nullptr, 1, 0};
        fake.Invoke(199, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
        SysFreeString(value);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

void valueXmlMovara(benchmark::State& state, const std::string& text) {
    FlashExRequest request;
    parseRequest(text, request);
    for (auto _ : state) {
        std::string xml = request.arguments.at(0)->toXML();
        benchmark::DoNotOptimize(xml.data());
    }
}

// A report beside the floor: one copy of the answer's bytes, already formatted.
void valueXmlCopy(benchmark::State& state, const std::string& text) {
    const std::string answer = echoAnswer(text);
    for (auto _ : state) {
        std::string xml;
        xml += answer;
        benchmark::DoNotOptimize(xml.data());
    }
    state.SetBytesProcessed(state.iterations() * answer.size());
}

// The echoed value as plain data: the numbers of an array, the properties of
// an object (in the order the answer lists them) or one string.
struct PlainValue {
    std::vector<int> numbers;
    std::vector<std::pair<std::string, std::string>> properties;
    std::string text;
    bool isArray = false, isObject = false;
};

PlainValue plainValueOf(const FlashExParam& value) {
    PlainValue plain;
    if (value.kind() == ParamKind::Array) {
        plain.isArray = true;
        for (unsigned i = 0; i < value.asArray()->size(); ++i) plain.numbers.push_back(value.asArray()->at(i)->getInt());
    } else if (value.kind() == ParamKind::Object) {
        plain.isObject = true;
        for (const auto& property : value.asObject()->properties())
            plain.properties.emplace_back(property.first, property.second->getString());
    } else {
        plain.text = value.getString();
    }
    return plain;
}

template <size_t N>
void appendLiteral(std::string& out, const char (&literal)[N]) {
    out.append(literal, N - 1);
}

void appendInt(std::string& out, long long value) {
    char digits[24];
    auto written = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, written.ptr);
}

inline const char* markupEntity(unsigned char c) {
    switch (c) {
        case '"': return "&quot;";
        case '&': return "&amp;";
        case '\'': return "&apos;";
        case '<': return "&lt;";
        case '>': return "&gt;";
        default: return nullptr;
    }
}

// The five markup characters break a run of plain bytes; the code page's
// double-byte characters stay in the run whole.
void appendEscapedRuns(std::string& out, const std::string& text) {
    static const std::array<bool, 256> lead = [] {
        std::array<bool, 256> table{};
        for (int b = 0; b < 256; ++b) table[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
        return table;
    }();
    const char* run = text.data();
    const char* end = run + text.size();
    for (const char* p = run; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (lead[c]) {
            if (p + 1 < end && p[1] != '\0') ++p;
            continue;
        }
        const char* entity = markupEntity(c);
        if (entity == nullptr) continue;
        out.append(run, p);
        out += entity;
        run = p + 1;
    }
    out.append(run, end);
}

// The tight writer: the value's XML from plain data, into a buffer reserved
// once for the size the data gives (before any escapes).
void writeTight(const PlainValue& value, std::string& out) {
    if (value.isArray) {
        out.reserve(16 + value.numbers.size() * (48 + 2 * 11));
        appendLiteral(out, "<array>");
        for (size_t i = 0; i < value.numbers.size(); ++i) {
            appendLiteral(out, "<property id=\"");
            appendInt(out, static_cast<long long>(i));
            appendLiteral(out, "\"><number>");
            appendInt(out, value.numbers[i]);
            appendLiteral(out, "</number></property>");
        }
        appendLiteral(out, "</array>");
    } else if (value.isObject) {
        size_t size = 17;
        for (const auto& property : value.properties) size += 50 + property.first.size() + property.second.size();
        out.reserve(size);
        appendLiteral(out, "<object>");
        for (const auto& property : value.properties) {
            appendLiteral(out, "<property id=\"");
            appendEscapedRuns(out, property.first);
            appendLiteral(out, "\"><string>");
            appendEscapedRuns(out, property.second);
            appendLiteral(out, "</string></property>");
        }
        appendLiteral(out, "</object>");
    } else {
        out.reserve(17 + value.text.size());
        appendLiteral(out, "<string>");
        appendEscapedRuns(out, value.text);
        appendLiteral(out, "</string>");
    }
}

// The floor of value XML: the tight writer over the same value as plain data.
void valueXmlFloor(benchmark::State& state, const std::string& text) {
    const std::string answer = echoAnswer(text);
    FlashExRequest request;
    parseRequest(text, request);
    const PlainValue plain = plainValueOf(*request.arguments.at(0));
    std::string check;
    writeTight(plain, check);
    if (check != answer) state.SkipWithError("the tight writer's XML differs from the bridge's");
    for (auto _ : state) {
        std::string xml;
        writeTight(plain, xml);
        benchmark::DoNotOptimize(xml.data());
    }
    state.SetBytesProcessed(state.iterations() * answer.size());
}

void addPair(const std::string& job, const Input& input, void (*movara)(benchmark::State&, const std::string&),
             void (*floor)(benchmark::State&, const std::string&)) {
    const std::string* text = &input.text;
    benchmark::RegisterBenchmark(bench::pairName(job, input.size, "movara"), [=](benchmark::State& state) {
        movara(state, *text);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(bench::pairName(job, input.size, "floor"), [=](benchmark::State& state) {
        floor(state, *text);
    })->Unit(benchmark::kMicrosecond);
}

const bool registered = [] {
    for (const Input& input : parseInputs()) {
        const std::string size = input.size;
        if (size == "1000 numbers" || size == "100000 numbers") continue;
        addPair("parse request", input, parseRequestMovara, parseRequestFloor);
        const std::string* text = &input.text;
        benchmark::RegisterBenchmark(bench::pairName("parse request", size, "keeping"), [=](benchmark::State& state) {
            parseRequestKeeping(state, *text);
        })->Unit(benchmark::kMicrosecond);
    }
    for (const Input& input : parseInputs()) addPair("bridge call", input, bridgeMovara, bridgeFloor);
    for (const Input& input : parseInputs()) {
        const std::string size = input.size;
        if (size != "small" && size != "1000 numbers" && size != "100000 numbers") {
            addPair("value XML", input, valueXmlMovara, valueXmlFloor);
            const std::string* text = &input.text;
            benchmark::RegisterBenchmark(bench::pairName("value XML", input.size, "copy"), [=](benchmark::State& state) {
                valueXmlCopy(state, *text);
            })->Unit(benchmark::kMicrosecond);
        }
    }
    return true;
}();

}  // namespace
