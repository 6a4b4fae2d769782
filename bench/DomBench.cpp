// The settings document: the program's own parser against Xerces' DOM parser
// on the same 1 MB document, in UTF-8 and in Shift_JIS.
#include <string>

#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>

#include "BenchPairs.h"
#include "dom/MvDOMDocument.h"

namespace {

// A settings file of about size bytes: groups of keyed entries with Japanese
// and ASCII values. japanese is "日本語の設定値" in the document's encoding.
std::string settingsDocument(const char* encoding, const std::string& japanese, size_t size) {
    std::string xml = std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\n<settings>\n";
    for (int group = 0; xml.size() < size; ++group) {
        xml += "  <group name=\"group" + std::to_string(group) + "\">\n";
        for (int entry = 0; entry < 20; ++entry) {
            xml += "    <entry key=\"key" + std::to_string(entry) + "\" type=\"string\">" + japanese + " " +
                   std::to_string(group * 20 + entry) + "</entry>\n";
        }
        xml += "  </group>\n";
    }
    return xml + "</settings>\n";
}

const std::string& utf8Document() {
    static const std::string xml =
        settingsDocument("UTF-8", reinterpret_cast<const char*>(u8"日本語の設定値"), 1 << 20);
    return xml;
}

const std::string& shiftJisDocument() {
    static const std::string xml = settingsDocument("Shift_JIS", "日本語の設定値", 1 << 20);
    return xml;
}

void mvDom(benchmark::State& state, const std::string& xml) {
    for (auto _ : state) {
        MvDOMDocument document;
        document.loadXML(xml);
        benchmark::DoNotOptimize(&document);
    }
    state.SetBytesProcessed(state.iterations() * xml.size());
}

void xercesDom(benchmark::State& state, const std::string& xml) {
    xercesc::XercesDOMParser parser;
    parser.setValidationScheme(xercesc::XercesDOMParser::Val_Never);
    for (auto _ : state) {
        xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(xml.data()), xml.size(), "bench", false);
        parser.parse(source);
        if (parser.getDocument() == nullptr || parser.getErrorCount() > 0) state.SkipWithError("Xerces refused it");
        parser.resetDocumentPool();
    }
    state.SetBytesProcessed(state.iterations() * xml.size());
}

const bool registered = [] {
    const std::string utf8 = "1 MB UTF-8", sjis = "1 MB Shift_JIS";
    benchmark::RegisterBenchmark(bench::pairName("settings DOM", utf8, "movara"), mvDom, utf8Document())
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(bench::pairName("settings DOM", utf8, "floor"), xercesDom, utf8Document())
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(bench::pairName("settings DOM", sjis, "movara"), mvDom, shiftJisDocument())
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(bench::pairName("settings DOM", sjis, "floor"), xercesDom, shiftJisDocument())
        ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
