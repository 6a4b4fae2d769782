#include <memory>

#include "FakePlayerDispatch.h"
#include "bridge/host/CShockwaveflash1.h"
#include "bridge/host/FlashExExternalCall.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExParse.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/host/FlashExService.h"
#include "bridge/host/FlashExServiceManager.h"
#include "bridge/values/XercesFacade.h"
#include "MovaraTest.h"

using namespace movara_test;

namespace {

// Answers "size" with the length of its string argument and "first" with its
// first argument's value XML.
class ProbeService : public FlashExService {
public:
    bool invoke(FlashExRequest& request, ParamPtr& result) override {
        if (request.name == "size") {
            result = paramInt(static_cast<int>(request.arguments.at(0)->getString().size()));
            return true;
        }
        if (request.name == "first") {
            std::string xml;
            request.arguments.at(0)->writeXML(xml);
            result = paramString(xml);
            return true;
        }
        return false;
    }
};

class FlashExHostileInput : public ::testing::Test {
protected:
    void SetUp() override {
        XercesFacade::initialize();
        manager.addService(std::make_unique<ProbeService>());
        player.attach(&fake);
    }
    std::string call(const std::string& invoke) {
        handleExternalCall(invoke, manager, "", player);
        return narrowText(fake.lastReturnValue());
    }
    std::string unexpected() {
        std::unique_ptr<FlashExParamError> error(makeError("unexpected error"));
        std::string xml;
        error->writeXML(xml);
        return xml;
    }

    FlashExServiceManager manager;
    FakePlayerDispatch fake;
    CShockwaveflash1 player;
};

}  // namespace

TEST_F(FlashExHostileInput, DocumentTypeDeclarationsAreRefusedWithoutReadingAnything) {
    ScratchDir dir;
    writeBytes(dir / "secret.dtd", "<!ENTITY secret \"leaked\">");
    std::string unixPath = unixPathOf(dir / "secret.dtd");
    ASSERT_FALSE(unixPath.empty());
    const std::string body =
        "<invoke name=\"first\" returntype=\"xml\"><arguments><string>&secret;</string></arguments></invoke>";
    for (std::string system : {"file://" + unixPath, unixPath, std::string("\\\\server\\share\\x.dtd"),
                               std::string("http://192.0.2.1/x.dtd")}) {
        EXPECT_EQ(unexpected(), call("<!DOCTYPE invoke SYSTEM \"" + system + "\">" + body)) << system;
        EXPECT_EQ(unexpected(), call("<?xml version=\"1.0\"?><!DOCTYPE invoke SYSTEM \"" + system + "\">" + body))
            << system;
    }
    // An external entity declared inside the document is refused the same way.
    EXPECT_EQ(unexpected(), call("<!DOCTYPE invoke [<!ENTITY secret SYSTEM \"file://" + unixPath + "\">]>" + body));
    // The same call without the declaration is a normal call with an unknown entity.
    EXPECT_EQ(unexpected(), call(body));
    EXPECT_EQ("<string>&lt;string&gt;x&lt;/string&gt;</string>",
              call("<invoke name=\"first\"><arguments><string>x</string></arguments></invoke>"));
}

TEST_F(FlashExHostileInput, EntityExpansionBombIsRefused) {
    std::string bomb = "<!DOCTYPE invoke [<!ENTITY a0 \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\">";
    for (int i = 1; i <= 12; ++i) {
        std::string previous = "&a" + std::to_string(i - 1) + ";";
        bomb += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) bomb += previous;
        bomb += "\">";
    }
    bomb += "]><invoke name=\"size\"><arguments><string>&a12;</string></arguments></invoke>";
    EXPECT_EQ(unexpected(), call(bomb));
}

TEST_F(FlashExHostileInput, ManyCharacterReferencesAreNoExpansionBomb) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "&amp;&lt;&#x8868;";
    EXPECT_EQ("<number>" + std::to_string(5000 * 4) + "</number>",
              call("<invoke name=\"size\"><arguments><string>" + text + "</string></arguments></invoke>"));
}

TEST_F(FlashExHostileInput, DeepNestingIsRefusedAndModerateNestingWorks) {
    std::string deep = "<invoke name=\"first\"><arguments>";
    for (int i = 0; i < 200000; ++i) deep += "<array><property id=\"0\">";
    EXPECT_EQ(unexpected(), call(deep));  // refused before the end, whether closed or not

    std::string moderate = "<invoke name=\"first\"><arguments>";
    for (int i = 0; i < 300; ++i) moderate += "<array><property id=\"0\">";
    moderate += "<true/>";
    for (int i = 0; i < 300; ++i) moderate += "</property></array>";
    moderate += "</arguments></invoke>";
    std::string answer = call(moderate);
    EXPECT_NE(std::string::npos, answer.find("&lt;true/&gt;")) << answer.substr(0, 200);
}

TEST_F(FlashExHostileInput, TenMegabyteStringArrivesWhole) {
    std::string text(10 * 1024 * 1024, 'a');
    text[5] = '\x95';  // 表: a double-byte character in the middle of the text
    text[6] = '\x5C';
    std::string answer = call("<invoke name=\"size\"><arguments><string>" + text + "</string></arguments></invoke>");
    EXPECT_EQ("<number>" + std::to_string(text.size()) + "</number>", answer);
}
