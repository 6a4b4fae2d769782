#include <stdexcept>
#include <vector>

#include "FrameworkTestIds.h"
#include "MovaraTest.h"
#include "framework/Dialog.h"

namespace {

const UINT kThreadPing = WM_APP + 10;
const UINT kWindowPing = WM_APP + 11;
const UINT kThrow = WM_APP + 12;
const UINT kFinish = WM_APP + 13;

// Logs what the framework routes to it, in order.
class ProbeDialog : public fw::Dialog {
public:
    ProbeDialog() : fw::Dialog(IDD_TEST_DIALOG) {}

    std::vector<std::string> log;
    bool refuseClose = false;
    int handlerExceptions = 0;

    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == kThreadPing && msg->hwnd == nullptr) log.push_back("pre thread ping");
        if (msg->message == kWindowPing) log.push_back("pre window ping");
        return fw::Dialog::PreTranslateMessage(msg);
    }

protected:
    BOOL OnInitDialog() override {
        log.push_back("init");
        return TRUE;
    }
    bool OnClose() override {
        log.push_back("close");
        return refuseClose;
    }
    void OnDestroy() override { log.push_back("destroy"); }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (message == kWindowPing) {
            log.push_back("window ping");
            result = 42;
            return true;
        }
        if (message == kThrow) throw std::runtime_error("handler failed");
        if (message == kFinish) {
            EndDialog(static_cast<INT_PTR>(wParam));
            return true;
        }
        return false;
    }
    void OnHandlerException() override { ++handlerExceptions; }
};

class InitPostsDialog : public ProbeDialog {
public:
    std::vector<UINT> posts;

protected:
    BOOL OnInitDialog() override {
        for (UINT message : posts) PostMessageA(window(), message, 7, 0);
        return ProbeDialog::OnInitDialog();
    }
};

}  // namespace

TEST(Dialog, ModalDialogRunsAndEndsOnAPostedClose) {
    InitPostsDialog dialog;
    dialog.posts = {WM_CLOSE};
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ((std::vector<std::string>{"init", "close", "destroy"}), dialog.log);
    EXPECT_EQ(nullptr, dialog.window());
}

TEST(Dialog, ACloseHandlerThatHandlesTheRequestKeepsTheDialogOpen) {
    InitPostsDialog dialog;
    dialog.refuseClose = true;
    dialog.posts = {WM_CLOSE, kFinish};
    EXPECT_EQ(7, dialog.DoModal());
    EXPECT_EQ((std::vector<std::string>{"init", "close", "destroy"}), dialog.log);
}

TEST(Dialog, EveryMessageOfTheThreadPassesPreTranslationBeforeDispatch) {
    InitPostsDialog dialog;
    dialog.posts = {kWindowPing, kFinish};
    PostThreadMessageA(GetCurrentThreadId(), kThreadPing, 0, 0);
    EXPECT_EQ(7, dialog.DoModal());
    EXPECT_EQ((std::vector<std::string>{"init", "pre thread ping", "pre window ping", "window ping", "destroy"}),
              dialog.log);
}

TEST(Dialog, AnExceptionFromAHandlerIsContainedAndTheDialogGoesOn) {
    InitPostsDialog dialog;
    dialog.posts = {kThrow, kWindowPing, kFinish};
    EXPECT_EQ(7, dialog.DoModal());
    EXPECT_EQ(1, dialog.handlerExceptions);
    EXPECT_EQ((std::vector<std::string>{"init", "pre window ping", "window ping", "destroy"}), dialog.log);
}

TEST(Dialog, WmQuitEndsTheModalLoopAndStaysQueuedForTheOuterLoop) {
    InitPostsDialog dialog;
    PostQuitMessage(3);
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(3u, msg.wParam);
}

TEST(Dialog, ModelessDialogLivesOnTheCallingThreadUntilEnded) {
    ProbeDialog dialog;
    ASSERT_TRUE(dialog.Create());
    HWND window = dialog.window();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(window, nullptr));
    EXPECT_EQ(42, SendMessageA(window, kWindowPing, 0, 0));
    // A handler's exception never reaches the caller of SendMessage.
    EXPECT_EQ(0, SendMessageA(window, kThrow, 0, 0));
    EXPECT_EQ(1, dialog.handlerExceptions);
    dialog.EndDialog(IDOK);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ((std::vector<std::string>{"init", "window ping", "destroy"}), dialog.log);
}

TEST(Dialog, EnterEndsTheDialogThroughTheDefaultOkHandler) {
    // Key presses go through the dialog manager in the pre-translation.
    struct PressEnter : InitPostsDialog {
        BOOL OnInitDialog() override {
            SetFocus(GetDlgItem(window(), IDC_TEST_EDIT));
            PostMessageA(GetDlgItem(window(), IDC_TEST_EDIT), WM_KEYDOWN, VK_RETURN, 0);
            return FALSE;
        }
    } pressEnter;
    EXPECT_EQ(IDOK, pressEnter.DoModal());
}
