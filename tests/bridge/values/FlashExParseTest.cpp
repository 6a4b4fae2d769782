#include <cmath>
#include <memory>

#include <xercesc/sax/AttributeList.hpp>

#include "tbx/FlashExException.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExParse.h"
#include "bridge/values/FlashExParseParamHandler.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/values/XercesFacade.h"
#include "MovaraTest.h"

namespace {

class NoAttributes : public xercesc::AttributeList {
public:
    XMLSize_t getLength() const override { return 0; }
    const XMLCh* getName(const XMLSize_t) const override { return nullptr; }
    const XMLCh* getType(const XMLSize_t) const override { return nullptr; }
    const XMLCh* getValue(const XMLSize_t) const override { return nullptr; }
    const XMLCh* getType(const XMLCh* const) const override { return nullptr; }
    const XMLCh* getValue(const XMLCh* const) const override { return nullptr; }
    const XMLCh* getValue(const char* const) const override { return nullptr; }
};

// Drives a handler the way the parser does, one callback at a time.
class HandlerFeed {
public:
    explicit HandlerFeed(FlashExParseParamHandler& handler) : handler_(handler) {}
    HandlerFeed& start(const std::u16string& name) {
        handler_.startElement(EasySaxHandler::Text(name.data(), name.size()), EasySaxHandler::Attributes(none_));
        return *this;
    }
    HandlerFeed& text(const std::u16string& piece) {
        handler_.characters(EasySaxHandler::Text(piece.data(), piece.size()));
        return *this;
    }
    HandlerFeed& end(const std::u16string& name) {
        handler_.endElement(EasySaxHandler::Text(name.data(), name.size()));
        return *this;
    }

private:
    FlashExParseParamHandler& handler_;
    NoAttributes none_;
};

std::string xmlOf(const FlashExParam* value) {
    std::string out;
    if (value) value->writeXML(out);
    return value ? out : "(none)";
}

// The value XML of a text parsed and written again.
std::string roundTrip(const std::string& text) {
    ParamPtr value = parseValue(text);
    return xmlOf(value.get());
}

class FlashExParse : public ::testing::Test {
protected:
    void SetUp() override { XercesFacade::initialize(); }
};

}  // namespace

TEST_F(FlashExParse, NumbersAreIntsUnlessTheirTextHasAPoint) {
    ParamPtr three = parseValue("<number>3</number>");
    EXPECT_EQ(3, three->getInt());
    EXPECT_EQ("type error", [&] {
        try {
            three->getBool();
        } catch (const FlashExException& e) {
            return e.getMessage();
        }
        return std::string();
    }());
    EXPECT_EQ("<number>3.000000</number>", roundTrip("<number>3.0</number>"));
    EXPECT_EQ("<number>-0.500000</number>", roundTrip("<number>-0.5</number>"));
    EXPECT_EQ("<number>1</number>", roundTrip("<number>1e+21</number>"));
    EXPECT_EQ("<number>0</number>", roundTrip("<number>nan</number>"));
    // Infinities are written so that they read back as themselves; the text
    // NaN stays the integer 0, and a NaN double is written as the movie spells it.
    EXPECT_EQ("<number>0</number>", roundTrip("<number>NaN</number>"));
    EXPECT_EQ("<number>1.0e999</number>", roundTrip("<number>1.0e999</number>"));
    EXPECT_EQ("<number>-1.0e999</number>", roundTrip("<number>-1e309.5e10</number>"));
    EXPECT_EQ("<number>NaN</number>", [] {
        std::string xml;
        FlashExParamDouble(std::nan("")).writeXML(xml);
        return xml;
    }());
    EXPECT_EQ("<number>2147483647</number>", roundTrip("<number>99999999999</number>"));
    EXPECT_EQ("<number>-2147483648</number>", roundTrip("<number> -99999999999x</number>"));
    EXPECT_EQ("<number>12.500000</number>", roundTrip("<number> +1.25e1</number>"));
    EXPECT_EQ(1e300, parseValue("<number>1.0e300</number>")->getDouble());
    EXPECT_EQ(HUGE_VAL, parseDoubleText("1.0e999"));
    EXPECT_EQ(0.0, parseDoubleText("1.0e-999"));
}

TEST_F(FlashExParse, StringsNullsAndUnknownElements) {
    EXPECT_EQ("<string></string>", roundTrip("<string>null</string>"));
    EXPECT_EQ("<string></string>", roundTrip("<string></string>"));
    EXPECT_EQ("<string></string>", roundTrip("<string/>"));
    EXPECT_EQ("<string>nulls</string>", roundTrip("<string>nulls</string>"));
    EXPECT_EQ("<string>a&lt;&amp;表</string>", roundTrip("<string>a&lt;&amp;表</string>"));
    EXPECT_EQ("<true/>", roundTrip("<true/>"));
    EXPECT_EQ("<null/>", roundTrip("<null/>"));
    EXPECT_EQ("(none)", roundTrip("<undefined/>"));
    // The first root counts; elements are matched case-sensitively.
    EXPECT_EQ("<false/>", roundTrip("<x><False/><false/><true/></x>"));
    EXPECT_EQ(
        "<array><property id=\"0\"><string>a</string></property><property id=\"1\"><string>b</string>"
        "</property></array>",
        roundTrip("<array><property id=\"0\"><string>a</string></property><property id=\"1\"><undefined/>"
                  "</property><property id=\"2\"><string>b</string></property></array>"));
}

TEST_F(FlashExParse, NestedContainersAndRepeatedIds) {
    std::string text =
        "<object><property id=\"o\"><array><property id=\"0\"><object><property id=\"k\"><number>1</number>"
        "</property></object></property></array></property><property id=\"after\"><true/></property>"
        "<property id=\"o2\"><number>2</number></property><property id=\"o2\"><number>3</number></property>"
        "<property><string>no id</string></property></object>";
    ParamPtr value = parseValue(text);
    FlashExParamObject* object = value->asObject();
    EXPECT_EQ(1, object->getProperty("o")->asArray()->at(0)->getProperty("k")->getInt());
    EXPECT_TRUE(object->getProperty("after")->getBool());
    EXPECT_EQ(3, object->getProperty("o2")->getInt());
    EXPECT_EQ("no id", object->getProperty("")->getString());
    EXPECT_EQ(4u, object->properties().size());
}

TEST_F(FlashExParse, TextInPiecesIsJoinedAndCharacterDataOutsideValuesIsIgnored) {
    FlashExParseParamHandler handler;
    HandlerFeed feed(handler);
    feed.start(u"array").start(u"property").start(u"string").text(u"nu").text(u"ll").end(u"string").end(u"property");
    feed.start(u"property").start(u"string").text(u"null").end(u"string").end(u"property");
    std::u16string big(5000, u'x');
    feed.start(u"property").start(u"string").text(u"日本").text(big).text(u"語").end(u"string").end(u"property");
    feed.start(u"number").text(u"7").end(u"number").text(u"\n  ");  // white space after a number
    feed.start(u"number").text(u"1").text(u"2.5").end(u"number");  // one number, not two
    feed.start(u"number").end(u"number");
    feed.end(u"array");
    ParamPtr value = handler.releaseFirstRoot();
    FlashExParamArray* array = value->asArray();
    ASSERT_EQ(5u, array->size());
    EXPECT_EQ(12.5, array->at(4)->getDouble());
    EXPECT_EQ("null", array->at(0)->getString());  // only a single piece "null" means empty
    EXPECT_EQ("", array->at(1)->getString());
    EXPECT_EQ("日本" + std::string(5000, 'x') + "語", array->at(2)->getString());
    EXPECT_EQ(7, array->at(3)->getInt());
}

TEST_F(FlashExParse, EmptyTextIsAParseErrorAndValueXmlNeedsTheParser) {
    EXPECT_ANY_THROW(parseValue(""));
    EXPECT_ANY_THROW(parseValue("<string>a</number>"));
}

TEST_F(FlashExParse, AFailedParseLeavesNothingForTheNextOnTheSameThread) {
    // Short texts share kept parsers; each failure below stops one mid-text.
    const std::string good = "<array><property id=\"0\"><string>a&amp;b</string></property></array>";
    std::string deep;
    for (int i = 0; i < 1001; ++i) deep += "<array>";
    for (const std::string& failing :
         {std::string("<!DOCTYPE array [<!ENTITY e \"x\">]><array/>"), std::string("<array><property id=\"0\"><str"),
          std::string("<object><property id=\"a\"><string>x</number>"), std::string(), deep}) {
        EXPECT_ANY_THROW(parseValue(failing));
        EXPECT_EQ(good, roundTrip(good));
    }
}

TEST_F(FlashExParse, InvokeTextWithAndWithoutDeclaration) {
    FlashExRequest request;
    parseRequest(
        "<invoke name=\"読む\" returntype=\"xml\"><arguments><string>表ソ</string><undefined/>"
        "<number>5</number></arguments></invoke>",
        request);
    EXPECT_EQ("読む", request.name);
    EXPECT_EQ("xml", request.returntype);
    ASSERT_EQ(2u, request.arguments.size());
    EXPECT_EQ("表ソ", request.arguments.at(0)->getString());
    EXPECT_EQ(5, request.arguments.at(1)->getInt());

    // With a declaration the bytes are parsed as they say: here UTF-8.
    parseRequest("<?xml version=\"1.0\" encoding=\"UTF-8\"?><invoke name=\"x\"><arguments><string>" +
                     std::string("\xE8\xA1\xA8") + "</string></arguments></invoke>",
                 request);
    EXPECT_EQ("x", request.name);
    EXPECT_EQ("", request.returntype);
    EXPECT_EQ("表", request.arguments.at(0)->getString());

    parseRequest("<invoke name=\"none\"/>", request);
    EXPECT_EQ(0u, request.arguments.size());

    EXPECT_ANY_THROW(parseRequest("<invoke name=\"bad\"><arguments><string>a</arguments>", request));
    EXPECT_EQ("", request.name);
    EXPECT_EQ(0u, request.arguments.size());
}

TEST_F(FlashExParse, ShiftArgumentAndWriteInvoke) {
    FlashExRequest request;
    request.name = "say\"it";
    request.returntype = "xml";
    request.arguments.pushString("a<b");
    request.arguments.push(paramInt(2));
    std::string text;
    writeInvoke(request, text);
    EXPECT_EQ(
        "<invoke name=\"say\"it\" returntype=\"xml\"><arguments><string>a&lt;b</string><number>2</number>"
        "</arguments></invoke>",
        text);
    request.shiftArgument();
    EXPECT_EQ(2, request.arguments.at(0)->getInt());
    request.shiftArgument();
    try {
        request.shiftArgument();
        FAIL() << "shifted an empty list";
    } catch (const FlashExException& e) {
        EXPECT_EQ("can not shift argument", e.getMessage());
    }
}

TEST(FlashExParseBeforeInitialisation, RequestsAreRefused) {
    // Each test runs in its own process under ctest; in a combined run the
    // parser library may already be up.
    if (XercesFacade::isInitialized()) GTEST_SKIP() << "parser library already initialised in this process";
    FlashExRequest request;
    try {
        parseRequest("<invoke name=\"a\"/>", request);
        FAIL() << "parsed without the parser library";
    } catch (const FlashExException& e) {
        EXPECT_EQ("初期化が完了していません。", e.getMessage());
    }
}

TEST_F(FlashExParse, LongStringsArriveWholeWhateverFollowsThem) {
    // Longer than the parser's buffer for character data, so each string comes
    // in pieces; a double-byte character makes the text convert to UTF-16.
    for (const std::string tail : {std::string(), std::string("表")}) {
        const std::string first = std::string(1500000, 'a') + "&" + tail;
        const std::string second = std::string(1200000, 'b') + tail;
        ParamPtr value = parseValue("<array><property id=\"0\"><string>" + std::string(1500000, 'a') + "&amp;" + tail +
                                    "</string></property><property id=\"1\"><string>" + second +
                                    "</string></property><property id=\"2\"><string>c</string></property></array>");
        ASSERT_TRUE(value);
        EXPECT_TRUE(value->asArray()->at(0)->getString() == first);
        EXPECT_TRUE(value->asArray()->at(1)->getString() == second);
        EXPECT_EQ("c", value->asArray()->at(2)->getString());
    }
}

TEST_F(FlashExParse, Utf16InvokeTextReadsAsItsAnsiText) {
    // Plain ASCII is narrowed piece by piece as the parser reads; this one is
    // longer than a piece. Other text goes through its ANSI text, and the text
    // ends at its first NUL.
    const std::u16string longText(200000, u'x');
    struct Case {
        std::u16string text;
        std::string name;
        std::string firstArgument;
    } cases[] = {
        {u"<invoke name=\"long\"><arguments><string>" + longText + u"</string></arguments></invoke>", "long",
         std::string(200000, 'x')},
        {u"<invoke name=\"読む\"><arguments><string>表ソ&amp;</string></arguments></invoke>", "読む", "表ソ&"},
        {u"<?xml version=\"1.0\"?><invoke name=\"d\"><arguments><string>7</string></arguments></invoke>", "d", "7"},
        {std::u16string(u"<invoke name=\"cut\"/>") + u'\0' + u"<junk", "cut", ""},
    };
    for (const Case& c : cases) {
        FlashExRequest request;
        parseRequest(c.text.c_str(), request);
        EXPECT_EQ(c.name, request.name);
        if (!c.firstArgument.empty()) {
            ASSERT_EQ(1u, request.arguments.size()) << c.name;
            EXPECT_TRUE(request.arguments.at(0)->getString() == c.firstArgument) << c.name;
        }
    }
    FlashExRequest request;
    EXPECT_ANY_THROW(parseRequest(static_cast<const char16_t*>(nullptr), request));
    EXPECT_ANY_THROW(parseRequest(u"<invoke name=\"bad\"><arguments><string>a</arguments>", request));
    EXPECT_EQ("", request.name);
}
