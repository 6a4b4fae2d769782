// The automation service against the tests' own local server
// (ole_test_server.exe), registered for the suite and removed afterwards.
#include <ole2.h>

#include <memory>

#include "bridge/host/FlashExServiceManager.h"
#include "services/automation/FlashExServiceOle.h"
#include "MovaraTest.h"
#include "OleTestServer.h"
#include "ServiceTestSupport.h"
#include "dom/MvDOMDocument.h"
#include "security/SecurityPolicy.h"

using namespace movara_test;
using namespace service_test;

namespace {

const char* const kNoObject = "オブジェクトのハンドルが正しくありません。";
const char* const kNoMember = "指定されたメンバが見つかりません。";

void loadPolicy(SecurityPolicy& policy, bool oleEnabled) {
    MvDOMDocument settings;
    settings.loadXML(std::string("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<settings><security oleEnabled=\"") +
                     (oleEnabled ? "1" : "0") + "\"></security></settings>");
    policy.load(settings.findChild("settings").findChild("security"));
}

std::string xmlOf(const Result& value) {
    std::string xml;
    if (value) value->writeXML(xml);
    return value ? xml : "none";
}

class AutomationService : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registration = new OleTestServerRegistration; }
    static void TearDownTestSuite() {
        delete registration;
        registration = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        loadPolicy(policy, true);
        service = std::make_unique<FlashExServiceOle>(policy);
    }
    void TearDown() override {
        // Proxies go before the apartment does.
        if (service) service->terminate();
        service.reset();
        OleUninitialize();
    }

    // A new object of the test server, as the movie holds it.
    Result create() { return call(*service, "coCreateInstance", {str(kOleTestServerProgId)}); }
    // The movie's {disp: n} for a number it sends back.
    static FlashExParam* handle(int number) {
        auto* object = new FlashExParamObject;
        object->setProperty("disp", paramInt(number));
        return object;
    }
    static int numberOf(const Result& object) {
        return static_cast<int>(reinterpret_cast<intptr_t>(object->getProperty("disp")->getPointer()));
    }
    Result get(int object, const std::string& name) {
        return call(*service, "olePropGet", {handle(object), str(name)});
    }
    std::string getXml(int object, const std::string& name) { return xmlOf(get(object, name)); }
    std::string getFailure(int object, const std::string& name) {
        return failure(*service, "olePropGet", {handle(object), str(name)});
    }

    static OleTestServerRegistration* registration;
    SecurityPolicy policy;
    std::unique_ptr<FlashExServiceOle> service;
};

OleTestServerRegistration* AutomationService::registration = nullptr;

}  // namespace

TEST_F(AutomationService, PropertyValuesAreConvertedByTheirAutomationType) {
    Result object = create();
    // The movie's value keeps its form: an object whose "disp" is a small number.
    EXPECT_EQ("<object><property id=\"disp\"><number>1</number></property></object>", xmlOf(object));
    int n = numberOf(object);
    struct Case {
        const char* property;
        std::string answer;  // value XML, or the failure's message
    };
    const Case cases[] = {
        {"Int", "<number>-123456</number>"},
        {"Float", "<number>3</number>"},  // a 32-bit float answers an Int
        {"Unsigned", "<number>7</number>"},
        {"Text", "<string>日本語のテキスト</string>"},
        {"NullText", "<string></string>"},
        {"Flag", "<true/>"},  // VARIANT_TRUE is -1
        {"Nothing", "<null/>"},
        {"NoObject", "<null/>"},  // no object: no number to call through
        {"Double", "サポートされていない型です"},
        {"Date", "サポートされていない型です"},
        {"BigUnsigned", "サポートされていない型です"},  // no Int holds it
    };
    for (const Case& c : cases) {
        std::string got;
        try {
            got = getXml(n, c.property);
        } catch (const FlashExException& e) {
            got = e.getMessage();
        }
        EXPECT_EQ(c.answer, got) << c.property;
    }
}

TEST_F(AutomationService, PutValuesReachTheServerAndComeBack) {
    int n = numberOf(create());
    EXPECT_EQ("none", xmlOf(call(*service, "olePropPut", {handle(n), str("Text"), str("表示する漢字")})));
    EXPECT_EQ("<string>表示する漢字</string>", getXml(n, "Text"));

    struct Case {
        ParamPtr (*make)();
        int variantType;
        const char* readBack;
    };
    const Case cases[] = {
        {[] { return paramInt(-5); }, VT_INT, "<number>-5</number>"},
        {[] { return paramBool(true); }, VT_BOOL, "<true/>"},
        {[] { return paramString("ソ表"); }, VT_BSTR, "<string>ソ表</string>"},
        {[] { return paramDouble(2.5); }, VT_R8, "サポートされていない型です"},
        {[] { return paramNull(); }, VT_NULL, "サポートされていない型です"},
    };
    for (const Case& c : cases) {
        call(*service, "olePropPut", {handle(n), str("Value"), c.make().release()});
        EXPECT_EQ("<number>" + std::to_string(c.variantType) + "</number>", getXml(n, "ValueType")) << c.readBack;
        std::string got;
        try {
            got = getXml(n, "Value");
        } catch (const FlashExException& e) {
            got = e.getMessage();
        }
        EXPECT_EQ(c.readBack, got);
    }
    EXPECT_EQ("プロパティの設定でエラーが発生しました。",
              failure(*service, "olePropPut", {handle(n), str("Int"), num(1)}));
    EXPECT_EQ(kNoMember, failure(*service, "olePropPut", {handle(n), str("Missing"), num(1)}));
}

TEST_F(AutomationService, MethodArgumentsArriveLastFirst) {
    int n = numberOf(create());
    auto arguments = [](std::initializer_list<const char*> texts) {
        auto* array = new FlashExParamArray;
        for (const char* text : texts) array->pushString(text);
        return array;
    };
    EXPECT_EQ("<string>count=2 1=b 2=a</string>",
              xmlOf(call(*service, "oleCallFunction", {handle(n), str("Describe"), arguments({"a", "b"})})));
    EXPECT_EQ("<string>count=0</string>",
              xmlOf(call(*service, "oleCallFunction", {handle(n), str("Describe"), arguments({})})));
    // olePropGet passes its optional arguments the same way.
    EXPECT_EQ("<string>count=3 1=z 2=y 3=x</string>",
              xmlOf(call(*service, "olePropGet", {handle(n), str("Describe"), arguments({"x", "y", "z"})})));
    EXPECT_EQ("メソッドの呼び出しでエラーが発生しました。",
              failure(*service, "oleCallFunction", {handle(n), str("Fail"), arguments({})}));
    EXPECT_EQ("メソッドの呼び出しでエラーが発生しました。", getFailure(n, "Fail"));
    EXPECT_EQ(kNoMember, failure(*service, "oleCallFunction", {handle(n), str("Missing"), arguments({})}));
    EXPECT_EQ(kNoMember, getFailure(n, "Missing"));
    EXPECT_EQ("配列のインデックスが範囲を超えています。",
              failure(*service, "oleCallFunction", {handle(n), str("Describe")}));
}

TEST_F(AutomationService, OnlyNumbersHandedOutAndNotYetReleasedAreCalledThrough) {
    int parent = numberOf(create());
    Result child = get(parent, "Child");
    int childNumber = numberOf(child);
    EXPECT_NE(parent, childNumber);
    EXPECT_EQ("<number>2</number>", getXml(parent, "Objects"));
    call(*service, "oleRelease", {handle(childNumber)});
    EXPECT_EQ("<number>1</number>", getXml(parent, "Objects"));
    EXPECT_EQ(kNoObject, getFailure(childNumber, "Int"));
    EXPECT_EQ(kNoObject, failure(*service, "oleRelease", {handle(childNumber)}));

    // The same object handed out again keeps its number and needs one more release.
    EXPECT_EQ(parent, numberOf(get(parent, "Self")));
    call(*service, "oleRelease", {handle(parent)});
    EXPECT_EQ("<number>-123456</number>", getXml(parent, "Int"));
    call(*service, "oleRelease", {handle(parent)});
    EXPECT_EQ(kNoObject, getFailure(parent, "Int"));

    // Numbers never handed out, and values that are no dispatch object.
    for (int forged : {0, 3, 99, -1}) EXPECT_EQ(kNoObject, getFailure(forged, "Int")) << forged;
    EXPECT_EQ(kNoObject, failure(*service, "olePropPut", {handle(77), str("Text"), str("x")}));
    EXPECT_EQ("none", xmlOf(call(*service, "oleRelease", {handle(0)})));  // nothing to release
    EXPECT_EQ("type error", failure(*service, "olePropGet", {new FlashExParamObject, str("Int")}));
    EXPECT_EQ("type error", failure(*service, "olePropGet", {num(1), str("Int")}));
}

TEST_F(AutomationService, CreationNamesWhatFailed) {
    EXPECT_EQ("指定されたオブジェクトが見つかりません。 MovaraTest.NotRegistered",
              failure(*service, "coCreateInstance", {str("MovaraTest.NotRegistered")}));
    // Local servers only: a class with an in-process server alone is not created.
    EXPECT_EQ("オブジェクトの作成に失敗しました。 code=-2147221164",
              failure(*service, "coCreateInstance", {str(kInProcOnlyProgId)}));
    std::string longName(400, 'X');
    EXPECT_EQ("指定されたオブジェクトが見つかりません。 " + longName,
              failure(*service, "coCreateInstance", {str(longName)}));
}

TEST_F(AutomationService, ObjectsTheMovieStillHoldsAreReleasedWhenTheServiceEnds) {
    int parent = numberOf(create());
    get(parent, "Child");
    get(parent, "Self");
    DWORD server = static_cast<DWORD>(get(parent, "ProcessId")->getInt());
    service->terminate();
    service.reset();
    // The server ends once its last object is gone.
    EXPECT_TRUE(waitForProcessExit(server, 10000));
}

TEST_F(AutomationService, SwitchedOffInTheSettingsTheCommandsDoNotExist) {
    SecurityPolicy off;
    loadPolicy(off, false);
    FlashExServiceManager manager;
    manager.addService(std::make_unique<FlashExServiceOle>(off));
    for (const char* name : {"coCreateInstance", "olePropPut", "olePropGet", "oleRelease", "oleCallFunction"}) {
        FlashExRequest request;
        request.name = name;
        request.arguments.push(paramString(kOleTestServerProgId));
        try {
            manager.invoke(request);
            ADD_FAILURE() << name << " was handled";
        } catch (const FlashExException& e) {
            EXPECT_EQ("呼び出された処理が見つかりませんでした。", e.getMessage()) << name;
        }
    }
}
