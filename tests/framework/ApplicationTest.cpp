#include "FrameworkTestIds.h"
#include "MovaraTest.h"
#include "framework/Application.h"
#include "framework/Dialog.h"

namespace {

const UINT kPing = WM_APP + 40;

class CountingDialog : public fw::Dialog {
public:
    CountingDialog() : fw::Dialog(IDD_TEST_DIALOG) {}
    int pings = 0;
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == kPing) ++pings;
        return fw::Dialog::PreTranslateMessage(msg);
    }
};

class TestApplication : public fw::Application {
public:
    bool enterLoop = true;
    bool oleStarted = false;
    CountingDialog dialog;

    BOOL InitInstance() override {
        oleStarted = oleInit() && enableControlContainer();
        if (!enterLoop) return FALSE;
        dialog.Create();
        setMainWindow(&dialog);
        PostThreadMessageA(GetCurrentThreadId(), kPing, 0, 0);
        PostQuitMessage(0);
        return TRUE;
    }
    int ExitInstance() override {
        dialog.DestroyWindow();
        return 17;
    }
};

}  // namespace

TEST(Application, RunsInitInstanceThenTheLoopThroughTheMainWindowsPreTranslation) {
    TestApplication app;
    EXPECT_EQ(&app, fw::Application::instance());
    EXPECT_EQ(17, app.run());
    EXPECT_TRUE(app.oleStarted);
    EXPECT_EQ(1, app.dialog.pings);
}

TEST(Application, AFalseInitInstanceEndsWithoutALoop) {
    TestApplication app;
    app.enterLoop = false;
    PostThreadMessageA(GetCurrentThreadId(), kPing, 0, 0);
    EXPECT_EQ(0, app.run());
    EXPECT_EQ(0, app.dialog.pings);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, kPing, kPing, PM_REMOVE));  // nothing ran the queue
}
