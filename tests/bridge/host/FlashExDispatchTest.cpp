#include <memory>
#include <stdexcept>

#include "FakePlayerDispatch.h"
#include "bridge/host/CShockwaveflash1.h"
#include "tbx/FlashExException.h"
#include "bridge/host/FlashExExternalCall.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/host/FlashExMovieCall.h"
#include "bridge/values/FlashExParse.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/host/FlashExService.h"
#include "bridge/host/FlashExServiceManager.h"
#include "tbx/CrashState.h"
#include "tbx/MvException.h"
#include "bridge/values/XercesFacade.h"
#include "MovaraTest.h"

namespace {

// Knows the commands in its list while `accepting`; "echo" answers its
// arguments, "nothing" answers no value, "fail*" throw.
class TestService : public FlashExService {
public:
    TestService(std::string tag, std::vector<std::string> commands, std::vector<std::string>* log)
        : tag_(std::move(tag)), commands_(std::move(commands)), log_(log) {}
    ~TestService() override { log_->push_back("delete " + tag_); }

    bool invoke(FlashExRequest& request, ParamPtr& result) override {
        ++asked;
        if (!accepting || std::find(commands_.begin(), commands_.end(), request.name) == commands_.end()) return false;
        log_->push_back(tag_ + " " + request.name);
        if (request.name == "echo") {
            auto answer = std::make_unique<FlashExParamArray>();
            for (unsigned i = 0; i < request.arguments.size(); ++i)
                answer->pushString(request.arguments.at(i)->getString());
            result = std::move(answer);
        } else if (request.name == "failCommand") {
            throw FlashExException("ファイルがありません");
        } else if (request.name == "failGeneral") {
            result = paramInt(1);  // dropped when the failure follows
            throw MvException("一般");
        } else if (request.name == "failStandard") {
            throw std::runtime_error("standard");
        } else if (request.name == "failOther") {
            throw 42;
        } else if (request.name == "tag") {
            result = paramString(tag_);
        }
        return true;
    }
    void terminate() override { log_->push_back("terminate " + tag_); }
    bool preTranslateMessage(MSG* msg) override { return msg->message == consumes; }

    bool accepting = true;
    int asked = 0;
    UINT consumes = 0;

private:
    std::string tag_;
    std::vector<std::string> commands_;
    std::vector<std::string>* log_;
};

const char kNotFound[] =
    "<object><property id=\"message\"><string>呼び出された処理が見つかりませんでした。</string></property>"
    "<property id=\"type\"><string>error</string></property></object>";

std::string errorXml(const std::string& message) {
    std::unique_ptr<FlashExParamError> error(makeError(message));
    std::string xml;
    error->writeXML(xml);
    return xml;
}

class FlashExDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        XercesFacade::initialize();
        auto firstService = std::make_unique<TestService>(
            "first", std::vector<std::string>{"echo", "tag", "nothing", "failCommand", "failGeneral"}, &log);
        auto secondService =
            std::make_unique<TestService>("second", std::vector<std::string>{"tag", "failStandard", "failOther"}, &log);
        first = firstService.get();
        second = secondService.get();
        manager.addService(std::move(firstService));
        manager.addService(std::move(secondService));
        player.attach(&fake);
    }

    // Runs one external call and returns the answer the player received.
    std::string call(const std::string& invoke, const std::string& apiKey = "") {
        handleExternalCall(invoke, manager, apiKey, player);
        return narrowText(fake.lastReturnValue());
    }

    std::vector<std::string> log;
    TestService* first;
    TestService* second;
    FlashExServiceManager manager;
    FakePlayerDispatch fake;
    CShockwaveflash1 player;
};

}  // namespace

TEST_F(FlashExDispatch, RoundTripThroughTheHandlerToTheFakePlayer) {
    EXPECT_EQ("<array><property id=\"0\"><string>日本&amp;表</string></property></array>",
              call("<invoke name=\"echo\" returntype=\"xml\"><arguments><string>日本&amp;表</string>"
                   "</arguments></invoke>"));
    ASSERT_EQ(1, fake.returnValueCount());
    EXPECT_EQ(199, fake.calls.back().id);
    EXPECT_EQ(DISPATCH_METHOD, fake.calls.back().flags);
    EXPECT_EQ("<null/>", call("<invoke name=\"nothing\" returntype=\"xml\"><arguments></arguments></invoke>"));
    EXPECT_EQ(kNotFound, call("<invoke name=\"unknown\" returntype=\"xml\"><arguments/></invoke>"));
}

TEST_F(FlashExDispatch, FailuresBecomeErrorObjects) {
    EXPECT_EQ(errorXml("ファイルがありません"), call("<invoke name=\"failCommand\"/>"));
    EXPECT_EQ(errorXml("一般"), call("<invoke name=\"failGeneral\"/>"));
    EXPECT_EQ(errorXml("standard"), call("<invoke name=\"failStandard\"/>"));
    EXPECT_EQ(errorXml("unexpected error"), call("<invoke name=\"failOther\"/>"));
    EXPECT_EQ(errorXml("unexpected error"), call("<invoke name=\"echo\"><arguments><string>x</arguments>"));
    EXPECT_EQ(errorXml("unexpected error"), call("not xml at all"));
    EXPECT_EQ(errorXml("type error"), call("<invoke name=\"echo\"><arguments><number>1</number></arguments></invoke>"));
    // Every call was answered exactly once.
    EXPECT_EQ(7, fake.returnValueCount());
}

TEST_F(FlashExDispatch, FirstRegisteredServiceWinsAndTheCacheIsAskedFirst) {
    EXPECT_EQ("<string>first</string>", call("<invoke name=\"tag\"/>"));
    first->accepting = false;
    EXPECT_EQ("<string>second</string>", call("<invoke name=\"tag\"/>"));
    // Now cached for "tag": the second service answers without the first being asked.
    first->accepting = true;
    int firstAsked = first->asked;
    EXPECT_EQ("<string>second</string>", call("<invoke name=\"tag\"/>"));
    EXPECT_EQ(firstAsked, first->asked);
    // When the cached service declines, registration order decides again.
    second->accepting = false;
    EXPECT_EQ("<string>first</string>", call("<invoke name=\"tag\"/>"));
    second->accepting = true;
    EXPECT_EQ("<string>first</string>", call("<invoke name=\"tag\"/>"));
}

TEST_F(FlashExDispatch, LockedApiWantsTheKeyFirstInEveryCall) {
    const std::string key = "鍵K";
    EXPECT_EQ(
        "<array><property id=\"0\"><string>a</string></property></array>",
        call("<invoke name=\"echo\"><arguments><string>鍵K</string><string>a</string></arguments></invoke>", key));
    EXPECT_EQ(
        errorXml("invalid apikey param"),
        call("<invoke name=\"echo\"><arguments><string>鍵k</string><string>a</string></arguments></invoke>", key));
    EXPECT_EQ(errorXml("配列のインデックスが範囲を超えています。"), call("<invoke name=\"nothing\"/>", key));
    EXPECT_EQ(errorXml("type error"),
              call("<invoke name=\"echo\"><arguments><number>1</number></arguments></invoke>", key));
    EXPECT_EQ(errorXml("invalid apikey param"), call("<invoke name=\"unknown\"><arguments><string>x</string>"
                                                     "</arguments></invoke>",
                                                     key));
}

// After a crash the movie's calls run nothing and get no answer. The crash
// mark is for good, so it is set in a child process.
TEST_F(FlashExDispatch, AfterACrashNoCommandRunsAndNothingIsAnswered) {
    EXPECT_EXIT(
        {
            tbx::markCrashed();
            handleExternalCall("<invoke name=\"tag\"/>", manager, "", player);
            ExitProcess(log.empty() && fake.returnValueCount() == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(FlashExDispatch, NoPlayerNoAnswerAndAFailingPlayerDoesNotThrow) {
    CShockwaveflash1 absent;
    handleExternalCall("<invoke name=\"tag\"/>", manager, "", absent);
    EXPECT_EQ((std::vector<std::string>{"first tag"}), log);

    fake.failure = E_FAIL;
    EXPECT_NO_THROW(handleExternalCall("<invoke name=\"tag\"/>", manager, "", player));
    // The answer and then the error object were both offered.
    EXPECT_EQ(2, fake.returnValueCount());
}

TEST_F(FlashExDispatch, ManagerMessagesAndTearDown) {
    MSG msg = {};
    msg.message = WM_KEYDOWN;
    EXPECT_FALSE(manager.preTranslateMessage(&msg));
    second->consumes = WM_KEYDOWN;
    EXPECT_TRUE(manager.preTranslateMessage(&msg));

    {
        std::vector<std::string> order;
        auto local = std::make_unique<FlashExServiceManager>();
        local->addService(std::make_unique<TestService>("a", std::vector<std::string>{}, &order));
        local->addService(std::make_unique<TestService>("b", std::vector<std::string>{}, &order));
        local.reset();
        EXPECT_EQ((std::vector<std::string>{"terminate a", "delete a", "terminate b", "delete b"}), order);
    }
}

TEST_F(FlashExDispatch, CallMovieFunctionWritesTheInvokeAndParsesTheAnswer) {
    std::u16string seen;
    fake.onCallFunction = [&](const std::u16string& text) {
        seen = text;
        return std::u16string(u"<object><property id=\"ok\"><true/></property></object>");
    };
    ParamPtr answer = callMovieFunction(player, "onExt\"Key", makeArguments(paramString("a<b"), paramInt(4)));
    EXPECT_EQ(
        "<invoke name=\"onExt\"Key\" returntype=\"xml\"><arguments><string>a&lt;b</string>"
        "<number>4</number></arguments></invoke>",
        narrowText(seen));
    EXPECT_TRUE(answer->getProperty("ok")->getBool());

    fake.onCallFunction = [](const std::u16string&) { return std::u16string(u"<undefined/>"); };
    EXPECT_EQ(nullptr, callMovieFunction(player, "f").get());

    fake.failure = DISP_E_MEMBERNOTFOUND;
    EXPECT_THROW(callMovieFunction(player, "missing", makeArguments(paramNull())), FlashExDispatchException);
}

namespace {

// A value that counts how many of its kind are alive.
class CountedString : public FlashExParamString {
public:
    explicit CountedString(const std::string& text) : FlashExParamString(text) { ++alive; }
    ~CountedString() override { --alive; }
    static int alive;
};
int CountedString::alive = 0;

// Builds a nested answer of counted values, then fails or answers it.
class BuildingService : public FlashExService {
public:
    bool invoke(FlashExRequest& request, ParamPtr& result) override {
        auto object = std::make_unique<FlashExParamObject>();
        object->setProperty("a", std::make_unique<CountedString>("a"));
        auto list = std::make_unique<FlashExParamArray>();
        list->push(std::make_unique<CountedString>("b"));
        object->setProperty("list", std::move(list));
        if (request.name == "buildThenFail") throw FlashExException("failed after building");
        result = std::move(object);
        if (request.name == "answerThenFail") throw std::runtime_error("failed after answering");
        return request.name == "build";
    }
};

}  // namespace

// Whatever path a call takes (a throwing service, one that declines, a player
// that refuses the answer), every value it made is gone afterwards.
TEST(FlashExValueLifetime, NoValueOutlivesACallOnAnyPath) {
    XercesFacade::initialize();
    FlashExServiceManager manager;
    manager.addService(std::make_unique<BuildingService>());
    FakePlayerDispatch fake;
    CShockwaveflash1 player;
    player.attach(&fake);
    for (const char* name : {"build", "buildThenFail", "answerThenFail", "decline"}) {
        std::string invoke = std::string("<invoke name=\"") + name +
                             "\" returntype=\"xml\"><arguments>"
                             "<string>x</string></arguments></invoke>";
        handleExternalCall(invoke, manager, "", player);
        EXPECT_EQ(0, CountedString::alive) << name;
    }
    fake.failure = E_FAIL;
    handleExternalCall("<invoke name=\"build\" returntype=\"xml\"><arguments/></invoke>", manager, "", player);
    EXPECT_EQ(0, CountedString::alive) << "answer refused by the player";
}
