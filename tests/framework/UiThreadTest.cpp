#include <ole2.h>

#include "MovaraTest.h"
#include "framework/UiThread.h"
#include "tbx/Handles.h"

namespace {

const UINT kJob = WM_APP + 20;
const UINT kStopYourself = WM_APP + 21;

class WorkerThread : public fw::UiThread {
public:
    WorkerThread() : received(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~WorkerThread() override { stop(); }

    tbx::KernelHandle received;
    DWORD initThread = 0;
    HRESULT oleState = E_FAIL;
    LPARAM jobValue = 0;
    bool exited = false;

    BOOL InitInstance() override {
        initThread = GetCurrentThreadId();
        // OLE is already initialised on the thread: a second call says so.
        oleState = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(oleState)) CoUninitialize();
        return TRUE;
    }
    int ExitInstance() override {
        exited = true;
        return 5;
    }
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == kStopYourself) {
            stop();
            return TRUE;
        }
        if (msg->message != kJob) return fw::UiThread::PreTranslateMessage(msg);
        jobValue = msg->lParam;
        SetEvent(received.get());
        return TRUE;
    }
};

class RefusingThread : public fw::UiThread {
public:
    ~RefusingThread() override { stop(); }
    BOOL InitInstance() override { return FALSE; }
    int ExitInstance() override { return 9; }
};

}  // namespace

TEST(UiThread, RunsReceivesAPostedThreadMessageAndStops) {
    WorkerThread thread;
    ASSERT_TRUE(thread.CreateThread());
    // The queue exists when CreateThread returns: a message posted at once arrives.
    ASSERT_TRUE(thread.PostThreadMessage(kJob, 0, 1234));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.received.get(), 5000));
    EXPECT_EQ(1234, thread.jobValue);
    EXPECT_EQ(thread.threadId(), thread.initThread);
    EXPECT_NE(GetCurrentThreadId(), thread.initThread);
    EXPECT_EQ(S_FALSE, thread.oleState);
    EXPECT_TRUE(thread.isRunning());

    thread.stop();
    EXPECT_FALSE(thread.isRunning());
    EXPECT_TRUE(thread.exited);
}

TEST(UiThread, AFailedInitInstanceEndsTheThreadWithTheExitCode) {
    RefusingThread thread;
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.threadHandle(), 5000));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread.threadHandle(), &code));
    EXPECT_EQ(9u, code);
    EXPECT_FALSE(thread.isRunning());
}

TEST(UiThread, AThreadThatStopsItselfEndsItsLoop) {
    WorkerThread thread;
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(thread.PostThreadMessage(kStopYourself, 0, 0));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.threadHandle(), 5000));
    EXPECT_TRUE(thread.exited);
}
