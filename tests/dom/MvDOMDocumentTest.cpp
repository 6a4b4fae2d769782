#include "IconvConvert.h"
#include "MovaraTest.h"
#include "dom/MvDOMDocument.h"
#include "dom/MvDOMException.h"
#include "tbx/Handles.h"

using namespace movara_test;

namespace {

const std::string shiftJisDeclaration = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n";

// The whole tree as one line: kind, name, value, attributes and children.
std::string dump(const MvDOMNode& node) {
    std::string text = std::to_string(node.getKind()) + ":" + node.getName();
    if (!node.getValue().empty()) text += "=" + node.getValue();
    for (const auto& attribute : node.getAttributes()) text += " " + attribute.first + "=" + attribute.second;
    if (node.childCount()) {
        text += "[";
        for (unsigned i = 0; i < node.childCount(); ++i) text += (i ? "|" : "") + dump(*node.childAt(i));
        text += "]";
    }
    return text;
}

std::string parsed(const std::string& body) {
    MvDOMDocument doc;
    doc.loadXML(shiftJisDeclaration + body);
    return dump(doc);
}

std::string failure(const std::string& text) {
    MvDOMDocument doc;
    try {
        doc.loadXML(text);
    } catch (const MvDOMException& e) {
        return e.what();
    }
    return "no exception";
}

std::string loadFailure(const std::string& path) {
    MvDOMDocument doc;
    try {
        doc.load(path);
    } catch (const MvDOMException& e) {
        return e.what();
    }
    return "no exception";
}

}  // namespace

TEST(MvDOMDocument, DeclarationLineRules) {
    MvDOMDocument doc;
    EXPECT_EQ(MvDOM_DOCUMENT, doc.getKind());
    EXPECT_EQ((MvDOMAttributes{{"version", "1.0"}, {"encoding", "Shift_JIS"}}), doc.declaration());
    doc.loadXML("<?xml version='1.0' encoding='shift_jis' standalone=\"yes\"?>\n<a/>");
    EXPECT_EQ((MvDOMAttributes{{"version", "1.0"}, {"encoding", "shift_jis"}, {"standalone", "yes"}}),
              doc.declaration());
    EXPECT_EQ("9:[1:a]", dump(doc));

    // The rest of the first line is not part of the document.
    doc.loadXML("<?xml version=\"1.0\"?><root/>\n<next/>");
    EXPECT_EQ("9:[1:next]", dump(doc));

    // The first five bytes are skipped whatever they hold; attributes end at the last "?".
    doc.loadXML("#####version=\"1.0\" x=\"?\" ?>\n<a/>");
    EXPECT_EQ("?", doc.declaration().at("x"));
    EXPECT_EQ("9:[1:a]", dump(doc));

    EXPECT_EQ("not support file", failure("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<a/>"));  // byte-order mark
    EXPECT_EQ("not support file", failure("<?xml?>\n<a/>"));                              // shorter than 8
    EXPECT_EQ("not support file", failure("<xml version=\"1.0\">\n<a/>"));                // no "?"
    EXPECT_EQ("not support file", failure("<?xml version=\"1.1\"?>\n<a/>"));
    EXPECT_EQ("not support file", failure("<?xml encoding=\"UTF-8\"?>\n<a/>"));
    EXPECT_EQ("not support file", failure("<?xml version=\"1.0?>\n<a/>"));  // value never closed
    EXPECT_EQ("unsupport encoding error", failure("<?xml version=\"1.0\" encoding=\"latin1\"?>\n<a/>"));
}

TEST(MvDOMDocument, DeclarationLineIsAtMost1023Bytes) {
    auto declarationOfLength = [](size_t length) {
        std::string line = "<?xml version=\"1.0\" encoding=\"UTF-8\"";
        line.append(length - line.size() - 2, ' ');
        return line + "?>";
    };
    MvDOMDocument doc;
    doc.loadXML(declarationOfLength(1023) + "\n<a/>");
    EXPECT_EQ("9:[1:a]", dump(doc));
    // Longer lines are cut after 1023 bytes and nothing after them is read.
    doc.loadXML(declarationOfLength(1024) + "\n<a/>");
    EXPECT_EQ("9:", dump(doc));
    EXPECT_EQ("not support file", failure(declarationOfLength(1025) + "\n<a/>"));  // the cut loses the "?"
}

TEST(MvDOMDocument, EncodingDecidesTheConversion) {
    MvDOMDocument doc;
    doc.loadXML("<?xml version=\"1.0\"?>\n<a>" + cp932ToUtf8("表") + "</a>");  // no encoding: UTF-8
    EXPECT_EQ("表", doc.child("a").getText());
    doc.loadXML("<?xml version=\"1.0\" encoding=\"SHIFT_JIS\"?>\n<a>表</a>");
    EXPECT_EQ("表", doc.child("a").getText());
    doc.loadXML("<?xml version=\"1.0\" encoding=\"x-jis\"?>\n<a>\x1b$B0!\x1b(B</a>");
    EXPECT_EQ("\x88\x9f", doc.child("a").getText());
    doc.loadXML("<?xml version=\"1.0\" encoding=\"EUC-JP\"?>\n<a>\x8e\xb6\x8e\xde\xb0\xa1</a>");
    EXPECT_EQ("\x83\x4b\x88\x9f", doc.child("a").getText());
    doc.loadXML("<?xml version=\"1.0\" encoding=\"UNICODE\"?>\n<a>\x95\x5c\xef</a>");
    EXPECT_EQ("\x95\x5c\xef", doc.child("a").getText());

    // A character that Shift_JIS lacks leaves the document empty, without an error.
    doc.loadXML("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>caf\xc3\xa9</a>");
    EXPECT_EQ("9:", dump(doc));
}

TEST(MvDOMDocument, EndTagsCloseTheInnermostElementWhateverTheyName) {
    EXPECT_EQ("9:[1:a[1:b|1:c]]", parsed("<a><b></a><c/>"));
    EXPECT_EQ("9:[1:a]", parsed("<a></a></x><b/>"));  // a stray top-level end tag ends the parse
    EXPECT_EQ("9:[1:a x=2]", parsed("<a x=\"1\" x='2'/>"));
    EXPECT_EQ("9:[1:a[1:b[3:#text=t]]]", parsed("<a><b>t"));  // still open at the end: kept
    EXPECT_EQ("9:[1:a[1:b]]", parsed("<a\n><b\t/>"));
    EXPECT_EQ("9:[1:a[1:c]]", parsed("<a/b><c/>"));  // the name ends at "/"
    EXPECT_EQ("9:[3:#text=x]", parsed("x<"));
}

TEST(MvDOMDocument, TextIsKeptAsWritten) {
    EXPECT_EQ("9:[1:a[3:#text=\n  |1:b v=&amp; &lt;[3:#text=&amp;x]|3:#text=\n]|3:#text=\n]",
              parsed("<a>\n  <b v=\"&amp; &lt;\">&amp;x</b>\n</a>\n"));
    // Attribute values keep their blanks; anything between name and quote is skipped.
    EXPECT_EQ("9:[1:a x= 1 \n y=2 z=3]", parsed("<a x=\" 1 \n\" y = \"2\" z :'3'/>"));
    // A name without a value at the end is dropped; a value without quotes fails.
    EXPECT_EQ("9:[1:a x=1]", parsed("<a x=\"1\" flag/>"));
    EXPECT_EQ("parsing error", failure(shiftJisDeclaration + "<a x=1/>"));
    EXPECT_EQ("parsing error", failure(shiftJisDeclaration + "<a x=\"1/>"));
}

TEST(MvDOMDocument, MarkupDeclarationsAndInstructions) {
    EXPECT_EQ("9:[4:#CDATA=<b>x</b> ]] >]]]", parsed("<![CDATA[<b>x</b> ]] >]]]]>"));
    EXPECT_EQ("9:[4:#CDATA=a>]|3:#text=z]", parsed("<![CDATA[a>]]]>z"));
    EXPECT_EQ("9:[4:#CDATA=>|4:#CDATA]", parsed("<![CDATA[>]]><![CDATA[]]>"));
    EXPECT_EQ("9:[8:#comment= a > b ]", parsed("<!-- a > b -->"));
    EXPECT_EQ("9:[8:#comment=>x]", parsed("<!-->x-->"));  // "<!-->" does not close itself
    EXPECT_EQ("9:[8:#comment]", parsed("<!---->"));
    EXPECT_EQ("9:[10:#DOCTYPE=settings SYSTEM \"s.dtd\"|1:a]", parsed("<!doctype  settings SYSTEM \"s.dtd\"><a/>"));
    EXPECT_EQ("9:[10:#DOCTYPE=s [<!ENTITY e \"v\"<!ENTITY f \"w\">]|1:a]",
              parsed("<!DOCTYPE s [<!ENTITY e \"v\"><!ENTITY f \"w\">]><a/>"));
    EXPECT_EQ("9:[10:#DOCTYPE]", parsed("<!DOCTYPE>"));
    EXPECT_EQ("9:[14:#unsupport=?pi a=\"1\"?|1:a]", parsed("<?pi a=\"1\"?><a/>"));
    EXPECT_EQ("9:[1:a]", parsed("<!><!ELEMENT a ANY><!-><a/>"));  // ignored

    // "]" as the second byte of a character (ゾ is 83 5D) neither closes a
    // section nor an internal subset.
    EXPECT_EQ("9:[4:#CDATA=ゾ]>]", parsed("<![CDATA[ゾ]>]]>"));
    EXPECT_EQ("9:[10:#DOCTYPE=s [<!ENTITY e \"ゾ\"]|1:a]", parsed("<!DOCTYPE s [<!ENTITY e \"ゾ\">]><a/>"));

    EXPECT_EQ("parsing error", failure(shiftJisDeclaration + "<a><![CDATA[never closed</a>"));
    EXPECT_EQ("parsing error", failure(shiftJisDeclaration + "<a><!-- never closed --"));
    EXPECT_EQ("parsing error", failure(shiftJisDeclaration + "<a><></a>"));
}

TEST(MvDOMDocument, AnUnclosedInternalSubsetEndsAtTheEndOfTheInput) {
    EXPECT_EQ("9:[1:a|10:#DOCTYPE=s [<!ENTITY e \"v\"<b/>]", parsed("<a/><!DOCTYPE s [<!ENTITY e \"v\"><b/>"));
    EXPECT_EQ("9:[10:#DOCTYPE=s [x]", parsed("<!DOCTYPE s [x"));
    EXPECT_EQ("9:[10:#DOCTYPE=s []", parsed("<!DOCTYPE s [>"));
}

// However the input ends, the parser fails with its own exception or not at all.
TEST(MvDOMDocument, EveryCutOfADocumentParsesOrFailsWithTheParsersException) {
    const std::string body =
        "<s a=\"1\" b='ゾ'><?pi x?><!DOCTYPE s [<!ENTITY e \">\">]><!-- c > ゾ --><![CDATA[ゾ]>]]>"
        "<t/>text</s>";
    for (const char* encoding : {"Shift_JIS", "EUC-JP"}) {
        std::string text = "<?xml version=\"1.0\" encoding=\"" + std::string(encoding) + "\"?>\n" + body;
        for (size_t length = 0; length <= text.size(); ++length) {
            MvDOMDocument doc;
            try {
                doc.loadXML(text.substr(0, length));
            } catch (const MvDOMException&) {
            } catch (...) {
                ADD_FAILURE() << encoding << ": a foreign exception after " << length << " bytes";
            }
        }
    }
}

// EUC-JP's three-byte characters (0x8F and two bytes; 髙 is 8F F4 FB and 﨑
// is 8F F4 BD as Japanese systems write them) are copied with their lead byte
// 0x8F, which no Shift_JIS character walk can follow. A closing "-->", "]]>"
// or "]" right after one still closes, and the rest of the document parses.
TEST(MvDOMDocument, EucJpThreeByteCharactersDoNotHideTheClosingDelimiters) {
    const std::string taka = "\x8f\xf4\xfb", saki = "\x8f\xf4\xbd";
    const std::string takaOut = "\x8f\xea\xf9", sakiOut = "\x8f\xea\xbb";  // as the converter gives them
    std::string body = "<settings><user name=\"" + taka + saki + "\"/><!--" + taka + "--><![CDATA[" + saki + taka +
                       "]]><!DOCTYPE s [" + taka + "]><security oleEnabled=\"1\"/></settings>";
    MvDOMDocument doc;
    doc.loadXML("<?xml version=\"1.0\" encoding=\"EUC-JP\"?>\n" + body);
    EXPECT_EQ("9:[1:settings[1:user name=" + takaOut + sakiOut + "|8:#comment=" + takaOut + "|4:#CDATA=" + sakiOut +
                  takaOut + "|10:#DOCTYPE=s [" + takaOut + "]|1:security oleEnabled=1]]",
              dump(doc));
}

TEST(MvDOMDocument, FailuresKeepWhatWasBuiltAndTextStopsAtNul) {
    MvDOMDocument doc;
    EXPECT_THROW(doc.loadXML(shiftJisDeclaration + "<a/><b x=1/><c/>"), MvDOMException);
    EXPECT_EQ("9:[1:a|1:b]", dump(doc));
    doc.loadXML(shiftJisDeclaration + std::string("<a/>\0<b/>", 9));
    EXPECT_EQ("9:[1:a]", dump(doc));
}

TEST(MvDOMDocument, ReparsingReplacesChildrenButEarlierNodesStayValid) {
    MvDOMDocument doc;
    doc.loadXML(shiftJisDeclaration + "<settings><security x=\"1\">t</security></settings>");
    MvDOMNode security = doc.child("settings").child("security");
    doc.loadXML("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<other/>");
    EXPECT_EQ("9:[1:other]", dump(doc));
    EXPECT_EQ((MvDOMAttributes{{"version", "1.0"}, {"encoding", "UTF-8"}}), doc.declaration());
    EXPECT_EQ("1", security.getAttribute("x"));
    EXPECT_EQ("t", security.getText());
}

TEST(MvDOMDocumentLoad, ReadsThroughWin32WithCrLfAsLf) {
    ScratchDir dir;
    std::string path = dir / "設定.xml";
    writeBytes(path, "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<a>x\r\ny\rz</a>\r\n");
    // Another process writing the file must not keep it from being read.
    tbx::FileHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer.valid());
    MvDOMDocument doc;
    doc.load(path);
    EXPECT_EQ("9:[1:a[3:#text=x\ny\rz]|3:#text=\n]", dump(doc));

    EXPECT_EQ("can not open file", loadFailure(dir / "missing.xml"));
    makeDirectory(dir / "folder.xml");
    EXPECT_EQ("can not open file", loadFailure(dir / "folder.xml"));
    writeBytes(dir / "bad.xml", "<?xml version=\"2.0\"?>\n");
    EXPECT_EQ("not support file", loadFailure(dir / "bad.xml"));
    writeBytes(dir / "broken.xml", shiftJisDeclaration + "<a x=\"1/>");
    EXPECT_EQ("parsing error", loadFailure(dir / "broken.xml"));
    writeBytes(dir / "quote.xml", "<?xml version=\"1.0?>\n");
    EXPECT_EQ("not support file", loadFailure(dir / "quote.xml"));
}

// The same settings in each of the four encodings, encoded by iconv.
TEST(MvDOMDocumentLoad, TheFourEncodingsGiveTheSameTree) {
    const std::string body =
        "<settings><security oleEnabled=\"1\" trusted=\"%MVR_APP_PATH%\\信頼\">"
        "<allow path=\"C:\\表示\\*\" access=\"rw\">許可</allow><deny path=\"*\"/>"
        "<!-- ソ能 --><![CDATA[データ<>]]></security></settings>";
    const char* encodings[][2] = {
        {"Shift_JIS", "CP932"}, {"EUC-JP", "EUC-JP-MS"}, {"UTF-8", "UTF-8"}, {"ISO-2022-JP", "ISO-2022-JP"}};
    ScratchDir dir;
    std::string expected;
    for (const auto& encoding : encodings) {
        std::string encoded;
        ASSERT_TRUE(iconvConvert(body, encoding[1], "CP932", encoded)) << encoding[1];
        std::string path = dir / (std::string(encoding[0]) + ".xml");
        writeBytes(path, "<?xml version=\"1.0\" encoding=\"" + std::string(encoding[0]) + "\"?>\r\n" + encoded);
        MvDOMDocument doc;
        doc.load(path);
        if (expected.empty()) {
            expected = dump(doc);
            const MvDOMNode& security = doc.findChild("settings").findChild("security");
            EXPECT_EQ("%MVR_APP_PATH%\\信頼", security.getAttribute("trusted"));
            EXPECT_EQ("C:\\表示\\*", security.findChild("allow").getAttribute("path"));
            EXPECT_EQ("許可データ<>", security.getText());
            EXPECT_EQ(" ソ能 ", security.childAt(2)->getValue());
        }
        EXPECT_EQ(expected, dump(doc)) << encoding[0];
    }
}

TEST(MvDOMDocument, DeepNestingDoesNotExhaustTheStack) {
    std::string body;
    for (int i = 0; i < 200000; ++i) body += "<a>";
    MvDOMDocument doc;
    doc.loadXML(shiftJisDeclaration + body + "x");
    EXPECT_EQ("x", doc.getText());
}
