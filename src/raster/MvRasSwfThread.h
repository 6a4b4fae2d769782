#pragma once
#include <windows.h>

#include <memory>

#include "services/images/RasterJob.h"
#include "framework/UiThread.h"

class MvRasSwfDialog;
class SecurityPolicy;
namespace player {
class PlayerClassRegistration;
}

// The rasteriser: a user-interface thread of its own with the hidden
// rasteriser dialog. Jobs arrive as the thread message kJobMessage and are
// rendered one at a time. One instance per process; the object stops its
// thread when it is deleted.
class MvRasSwfThread : public fw::UiThread, public Rasteriser {
public:
    static const UINT kJobMessage = 0x83E8;

    // The policy judges what rendered movies may read.
    // scriptTimeLimit: seconds its player's scripts may run; empty: the player's own.
    explicit MvRasSwfThread(SecurityPolicy& policy, std::string scriptTimeLimit = std::string());
    ~MvRasSwfThread() override;

    // The process's rasteriser, or null when there is none.
    static MvRasSwfThread* current();

    // Posts the job to the thread; false when the thread cannot take it.
    bool post(const std::shared_ptr<RasterJob>& job) override;
    // Ends the thread's loop and waits until the thread has ended, for at
    // most timeoutMs; false when it still runs (then the object must be left
    // alive to the end of the process).
    bool stopRasterThread(DWORD timeoutMs = INFINITE);

    // The dialog, while the thread runs (for tests).
    MvRasSwfDialog* dialog() const { return dialog_.get(); }

    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL PreTranslateMessage(MSG* msg) override;

private:
    // Jobs still queued when the thread ends are finished as failed.
    void dropQueuedJobs();

    SecurityPolicy& policy_;
    std::string scriptTimeLimit_;
    std::unique_ptr<player::PlayerClassRegistration> playerClass_;
    std::unique_ptr<MvRasSwfDialog> dialog_;
};
