#include "MovaraTest.h"
#include "PlayerHarness.h"
#include "framework/UiThread.h"
#include "player/host/PlayerIds.h"
#include "tbx/Handles.h"

using namespace movara_test;

namespace {

const UINT kAsk = WM_APP + 30;
const char* const kScript =
    "ExternalInterface.addCallback('whoami', function () { return flashVars.name; });"
    "ExternalInterface.call('hello', flashVars.name);";

// A second user-interface thread with a player of its own.
class PlayerThread : public fw::UiThread {
public:
    explicit PlayerThread(std::string movie) : movie_(std::move(movie)) {}
    ~PlayerThread() override { stop(); }

    tbx::KernelHandle ready{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    tbx::KernelHandle answered{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::vector<std::string> hellos;
    std::string answer;
    DWORD playerThread = 0;

    BOOL InitInstance() override {
        setup_ = std::make_unique<PlayerThreadSetup>();
        dialog_ = std::make_unique<PlayerDialog>();
        if (!dialog_->Create()) return FALSE;
        playerThread = GetWindowThreadProcessId(dialog_->player().controlWindow(), nullptr);
        if (!dialog_->play(movie_, "name=second")) return FALSE;
        hellos = dialog_->callsNamed("hello");
        SetEvent(ready.get());
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message != kAsk) return fw::UiThread::PreTranslateMessage(msg);
        answer = dialog_->callFunction("<invoke name=\"whoami\" returntype=\"xml\"></invoke>");
        SetEvent(answered.get());
        return TRUE;
    }
    int ExitInstance() override {
        dialog_.reset();
        setup_.reset();
        return 0;
    }

private:
    std::string movie_;
    std::unique_ptr<PlayerThreadSetup> setup_;
    std::unique_ptr<PlayerDialog> dialog_;
};

}  // namespace

TEST(PlayerThreads, TwoPlayersRunInOneProcessOnTwoThreads) {
    PlayerThreadSetup setup;
    ScratchDir dir;
    std::string movie = writeMovie(dir / "who.swf", kScript);

    PlayerThread thread(movie);
    ASSERT_TRUE(thread.CreateThread());
    PlayerDialog dialog;
    ASSERT_TRUE(dialog.Create());
    ASSERT_TRUE(dialog.play(movie, "name=main"));
    ASSERT_TRUE(pumpUntil([&] { return WaitForSingleObject(thread.ready.get(), 0) == WAIT_OBJECT_0; }, 10000));

    EXPECT_EQ(thread.threadId(), thread.playerThread);
    ASSERT_EQ(1u, thread.hellos.size());
    EXPECT_EQ("<string>second</string>", argumentsOf(thread.hellos[0]));
    ASSERT_EQ(1u, dialog.callsNamed("hello").size());
    EXPECT_EQ("<string>main</string>", argumentsOf(dialog.callsNamed("hello")[0]));

    ASSERT_TRUE(thread.PostThreadMessage(kAsk, 0, 0));
    ASSERT_TRUE(pumpUntil([&] { return WaitForSingleObject(thread.answered.get(), 0) == WAIT_OBJECT_0; }));
    EXPECT_EQ("<string>second</string>", thread.answer);
    EXPECT_EQ("<string>main</string>", dialog.callFunction("<invoke name=\"whoami\" returntype=\"xml\"></invoke>"));
    thread.stop();
    EXPECT_FALSE(thread.isRunning());
}
