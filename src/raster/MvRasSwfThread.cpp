#include "raster/MvRasSwfThread.h"

#include "raster/FontCharsetFix.h"
#include "raster/MvRasSwfDialog.h"
#include "player/host/PlayerHost.h"
#include "tbx/Guards.h"

namespace {

MvRasSwfThread* processRasteriser = nullptr;

// The thread message carries an owning pointer to the job's shared owner.
using PostedJob = std::shared_ptr<RasterJob>;

}  // namespace

MvRasSwfThread::MvRasSwfThread(SecurityPolicy& policy, std::string scriptTimeLimit)
    : policy_(policy), scriptTimeLimit_(std::move(scriptTimeLimit)) {
    processRasteriser = this;
}

MvRasSwfThread::~MvRasSwfThread() {
    stopRasterThread();
    if (processRasteriser == this) processRasteriser = nullptr;
}

MvRasSwfThread* MvRasSwfThread::current() { return processRasteriser; }

bool MvRasSwfThread::stopRasterThread(DWORD timeoutMs) { return stop(timeoutMs); }

bool MvRasSwfThread::post(const std::shared_ptr<RasterJob>& job) {
    auto posted = std::make_unique<PostedJob>(job);
    if (!PostThreadMessage(kJobMessage, reinterpret_cast<WPARAM>(posted.get()), 0)) return false;
    posted.release();  // the thread owns it now
    return true;
}

BOOL MvRasSwfThread::InitInstance() {
    // Class objects are registered per thread: this thread's player needs its own.
    playerClass_ = std::make_unique<player::PlayerClassRegistration>();
    // The player module is loaded now; its font import is fixed before this
    // thread's player exists.
    installFontCharsetFixOrWarn();
    dialog_ = std::make_unique<MvRasSwfDialog>(policy_, scriptTimeLimit_);
    if (!dialog_->Create()) return FALSE;
    // A window to paint in, with nothing to see.
    SetWindowPos(dialog_->window(), nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(dialog_->window(), SW_SHOWNOACTIVATE);
    setMainWindow(dialog_.get());
    return TRUE;
}

int MvRasSwfThread::ExitInstance() {
    setMainWindow(nullptr);
    dialog_.reset();
    playerClass_.reset();
    dropQueuedJobs();
    return 0;
}

void MvRasSwfThread::dropQueuedJobs() {
    MSG msg;
    while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), kJobMessage, kJobMessage, PM_REMOVE)) {
        std::unique_ptr<PostedJob> posted(reinterpret_cast<PostedJob*>(msg.wParam));
        if (posted && *posted) (*posted)->finish(false, "");
    }
}

BOOL MvRasSwfThread::PreTranslateMessage(MSG* msg) {
    if (msg->message != kJobMessage || msg->hwnd != nullptr) return fw::UiThread::PreTranslateMessage(msg);
    std::unique_ptr<PostedJob> posted(reinterpret_cast<PostedJob*>(msg->wParam));
    if (!posted || !*posted) return TRUE;
    std::shared_ptr<RasterJob> job = *posted;
    tbx::guardWindowProcedure(
        [&] {
            if (dialog_)
                dialog_->startJob(job);
            else
                job->finish(false, "");
        },
        [&](const CaughtError& error) { job->finish(false, error.textOr("")); });
    return TRUE;
}
