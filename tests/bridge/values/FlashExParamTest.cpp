#include "tbx/FlashExException.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExParse.h"
#include "bridge/values/XercesFacade.h"
#include "tbx/MvException.h"
#include "FakePlayerDispatch.h"
#include "MovaraTest.h"

#include <cmath>
#include <memory>

namespace {

// The value XML, which the answer path's toXML (reserved from the size hint,
// which escapes can exceed) must write byte for byte.
std::string xmlOf(const FlashExParam& value) {
    std::string out;
    value.writeXML(out);
    EXPECT_EQ(out, value.toXML());
    return out;
}

template <typename F>
std::string failureOf(F&& call) {
    try {
        call();
    } catch (const FlashExException& e) {
        return e.getMessage();
    }
    return "(no exception)";
}

}  // namespace

TEST(FlashExParamXml, ScalarsAndEmptyContainers) {
    EXPECT_EQ("<null/>", xmlOf(FlashExParamNull()));
    EXPECT_EQ("<null/>", xmlOf(FlashExParam::undefined()));
    EXPECT_EQ("<true/>", xmlOf(FlashExParamBool(true)));
    EXPECT_EQ("<false/>", xmlOf(FlashExParamBool(false)));
    EXPECT_EQ("<number>-2147483648</number>", xmlOf(FlashExParamInt(-2147483647 - 1)));
    EXPECT_EQ("<number>1.500000</number>", xmlOf(FlashExParamDouble(1.5)));
    EXPECT_EQ("<number>-0.500000</number>", xmlOf(FlashExParamDouble(-0.5)));
    EXPECT_EQ("<number>0.000000</number>", xmlOf(FlashExParamDouble(1e-9)));
    EXPECT_EQ("<number>4294967295</number>", xmlOf(FlashExParamPointer(reinterpret_cast<void*>(0xFFFFFFFFu))));
    EXPECT_EQ("<array></array>", xmlOf(FlashExParamArray()));
    EXPECT_EQ("<object></object>", xmlOf(FlashExParamObject()));
    EXPECT_EQ("<arguments></arguments>", xmlOf(FlashExParamArguments()));
}

TEST(FlashExParamXml, EscapesMarkupButNeverTheTrailByteOfADoubleByteCharacter) {
    EXPECT_EQ("<string>a&lt;b&amp;&quot;c&apos;&gt;</string>", xmlOf(FlashExParamString("a<b&\"c'>")));
    // 表 is 95 5C and ソ is 83 5C: the 5C stays as it is, as do control characters.
    std::string japanese = "表ソ日本語\x01\t";
    ASSERT_EQ('\x5C', japanese[1]);
    EXPECT_EQ("<string>" + japanese + "</string>", xmlOf(FlashExParamString(japanese)));
    // A lead byte whose trail byte is '<' or '&' would not be valid Shift_JIS;
    // but a lone lead byte at the very end is copied and nothing is lost.
    EXPECT_EQ("<string>a\x95</string>", xmlOf(FlashExParamString("a\x95")));
}

TEST(FlashExParamXml, ArraysNumberTheirElementsAndObjectsSortNamesByBytes) {
    FlashExParamArray array;
    for (int i = 0; i < 11; ++i) array.push(paramInt(i));
    std::string xml = xmlOf(array);
    EXPECT_NE(std::string::npos, xml.find("<property id=\"10\"><number>10</number></property></array>"));

    FlashExParamObject object;
    object.setString("b", "2");
    object.setString("a", "1");
    object.setString("ab", "3");
    object.setString("A", "0");
    object.setString("表", "4");  // lead byte 0x95 sorts after ASCII
    object.setString("x\"<", "5");
    EXPECT_EQ(
        "<object><property id=\"A\"><string>0</string></property>"
        "<property id=\"a\"><string>1</string></property>"
        "<property id=\"ab\"><string>3</string></property>"
        "<property id=\"b\"><string>2</string></property>"
        "<property id=\"x&quot;&lt;\"><string>5</string></property>"
        "<property id=\"表\"><string>4</string></property></object>",
        xmlOf(object));
}

TEST(FlashExParamXml, NestedContainersAndArgumentsAreWrittenRecursively) {
    auto list = std::make_unique<FlashExParamArray>();
    list->pushString("x");
    auto inner = std::make_unique<FlashExParamObject>();
    inner->setProperty("list", std::move(list));
    FlashExParamArguments arguments;
    arguments.push(paramInt(1));
    arguments.push(std::move(inner));
    arguments.push(nullptr);
    EXPECT_EQ(
        "<arguments><number>1</number><object><property id=\"list\"><array><property id=\"0\">"
        "<string>x</string></property></array></property></object><null/></arguments>",
        xmlOf(arguments));
}

TEST(FlashExParamXml, ErrorObjectHasMessageThenType) {
    std::unique_ptr<FlashExParamError> error(makeError("失敗 <x>"));
    EXPECT_EQ(
        "<object><property id=\"message\"><string>失敗 &lt;x&gt;</string></property>"
        "<property id=\"type\"><string>error</string></property></object>",
        xmlOf(*error));
}

TEST(FlashExParamAccessors, EachClassOffersOnlyItsOwnAccessors) {
    FlashExParamString text("s");
    FlashExParamInt number(1234);
    FlashExParamBool flag(true);
    FlashExParamNull none;
    FlashExParamArray array;
    FlashExParamObject object;
    EXPECT_EQ("type error", failureOf([&] { text.getInt(); }));
    EXPECT_EQ("type error", failureOf([&] { number.getString(); }));
    EXPECT_EQ("type error", failureOf([&] { number.getCString(); }));
    EXPECT_EQ("type error", failureOf([&] { number.getBool(); }));
    EXPECT_EQ("type error", failureOf([&] { flag.getInt(); }));
    EXPECT_EQ("type error", failureOf([&] { none.getString(); }));
    EXPECT_EQ("type error", failureOf([&] { array.asObject(); }));
    EXPECT_EQ("type error", failureOf([&] { object.asArray(); }));
    EXPECT_EQ("type error", failureOf([&] { text.getProperty("a"); }));
    EXPECT_EQ(nullptr, none.getCString());
    EXPECT_EQ(nullptr, none.getPointer());
    EXPECT_EQ(reinterpret_cast<void*>(1234), number.getPointer());
    EXPECT_STREQ("s", text.getCString());
    EXPECT_TRUE(flag.getBool());
    EXPECT_EQ(1234.0, number.getDouble());
    EXPECT_EQ(&array, array.asArray());
}

TEST(FlashExParamAccessors, DoublesTruncateTowardZeroAndSaturate) {
    EXPECT_EQ(2, FlashExParamDouble(2.9).getInt());
    EXPECT_EQ(-2, FlashExParamDouble(-2.9).getInt());
    EXPECT_EQ(4294967295u, FlashExParamDouble(-1.5).getUInt());
    EXPECT_EQ(4294967295u, FlashExParamInt(-1).getUInt());
    EXPECT_EQ(1u, FlashExParamDouble(4294967297.0).getUInt());
    EXPECT_EQ(2147483647, FlashExParamDouble(1e300).getInt());
    EXPECT_EQ(-2147483647 - 1, FlashExParamDouble(-1e300).getInt());
    EXPECT_EQ(0, FlashExParamDouble(std::nan("")).getInt());
    EXPECT_FLOAT_EQ(0.1f, FlashExParamDouble(0.1).getFloat());
}

TEST(FlashExParamContainers, IndexPropertiesAndReplacement) {
    FlashExParamArray array;
    array.pushString("a");
    array.pushString("b");
    EXPECT_EQ("配列のインデックスが範囲を超えています。", failureOf([&] { array.at(2); }));
    array.removeAt(0);
    EXPECT_EQ(1u, array.size());
    EXPECT_EQ("b", array.at(0)->getString());

    FlashExParamObject object;
    const FlashExParam* missing = object.getProperty("none");
    EXPECT_TRUE(missing->isUndefined());
    EXPECT_EQ(&FlashExParam::undefined(), missing);
    EXPECT_EQ(ParamKind::Undefined, missing->kind());
    EXPECT_EQ("type error", failureOf([&] { missing->getString(); }));
    EXPECT_FALSE(FlashExParamNull().isUndefined());
    object.setString("k", "old");
    object.setProperty("k", paramInt(7));
    EXPECT_EQ(1u, object.properties().size());
    EXPECT_EQ(7, object.getProperty("k")->getInt());
}

TEST(FlashExParamVariant, ValuesBecomeTheirAutomationTypes) {
    VARIANT v;
    FlashExParamString text("日本");
    text.toVariant(v);
    ASSERT_EQ(VT_BSTR, V_VT(&v));
    EXPECT_EQ(u"日本", std::u16string(reinterpret_cast<const char16_t*>(V_BSTR(&v)), SysStringLen(V_BSTR(&v))));
    text.clearVariant(v);

    FlashExParamInt(-3).toVariant(v);
    EXPECT_EQ(VT_INT, V_VT(&v));
    EXPECT_EQ(-3, V_INT(&v));
    FlashExParamDouble(0.25).toVariant(v);
    EXPECT_EQ(VT_R8, V_VT(&v));
    EXPECT_EQ(0.25, V_R8(&v));
    FlashExParamBool(true).toVariant(v);
    EXPECT_EQ(VT_BOOL, V_VT(&v));
    EXPECT_EQ(VARIANT_TRUE, V_BOOL(&v));
    // The variant holds its own reference, so releasing it leaves the movie's.
    FakePlayerDispatch object;
    ULONG before = object.references;
    FlashExParamPointer pointer(static_cast<IDispatch*>(&object));
    pointer.toVariant(v);
    EXPECT_EQ(VT_DISPATCH, V_VT(&v));
    EXPECT_EQ(static_cast<IDispatch*>(&object), V_DISPATCH(&v));
    EXPECT_EQ(before + 1, object.references);
    pointer.clearVariant(v);
    EXPECT_EQ(before, object.references);
    FlashExParamObject().toVariant(v);
    EXPECT_EQ(VT_NULL, V_VT(&v));
    FlashExParam::undefined().toVariant(v);
    EXPECT_EQ(VT_NULL, V_VT(&v));
}

// A handle-table number reaches the movie as a plain number and comes back
// as one, but is never taken for an object.
TEST(FlashExParamVariant, AHandleIsANumberToTheMovieAndNoAutomationValue) {
    FlashExParamHandle handle(reinterpret_cast<void*>(3));
    std::string xml;
    handle.writeXML(xml);
    EXPECT_EQ("<number>3</number>", xml);
    XercesFacade::initialize();
    EXPECT_EQ(reinterpret_cast<void*>(3), parseValue(xml)->getPointer());
    VARIANT v;
    EXPECT_THROW(handle.toVariant(v), FlashExException);
}

TEST(MvExceptionTest, KeepsNarrowAndWideMessage) {
    MvException e("読めません");
    EXPECT_STREQ("読めません", e.what());
    EXPECT_EQ(u"読めません", e.wideMessage());
    MvException copy = e;
    EXPECT_EQ(e.message(), copy.message());
}
