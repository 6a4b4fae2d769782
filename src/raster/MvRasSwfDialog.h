#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "bridge/dialog/PlayerDialog.h"
#include "services/images/RasterJob.h"
#include "tbx/Handles.h"

class FlashExServiceManager;
class SecurityPolicy;

// The rasteriser's hidden dialog (template 130) with a player of its own. A
// job resizes the player to the picture, loads the movie (or keeps it when it
// is already playing) and captures the player's painting into a bitmap when
// the movie is complete, or when it sends "readyRender". Its movie may call
// only the secure file service, through a service manager of its own.
class MvRasSwfDialog : public PlayerDialog {
public:
    static const UINT kTemplateId = 130;

    // The policy judges what the movie's secure file service may read.
    // scriptTimeLimit: seconds for the player's ScriptTimeLimit; empty: its own.
    MvRasSwfDialog(SecurityPolicy& policy, std::string scriptTimeLimit = std::string());
    ~MvRasSwfDialog() override;

    // Takes the job as the current one and starts it; failures finish it.
    void startJob(std::shared_ptr<RasterJob> job);
    // Enter and Escape never reach the dialog manager, so they cannot close
    // the dialog; everything else as any player's dialog.
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void OnEvent(int controlId, DISPID id, DISPPARAMS* params, VARIANT* result) override;
    std::vector<PlayerSetting> playerSettings() const override;

private:
    void prepareJob();
    // The movie's absolute path with "?query"; throws MvException when the
    // path cannot be made absolute within MAX_PATH.
    std::string movieUrl() const;
    void capture();
    // For the clipboard target: hands the bitmap to the clipboard; the
    // empty text on success, the failure's text otherwise.
    std::string copyToClipboard(tbx::GdiObject& bitmap);
    void finishJob(bool succeeded, const std::string& message, tbx::GdiObject bitmap = tbx::GdiObject());
    // The current job, unless its requester has stopped waiting for it.
    RasterJob* liveJob();

    std::unique_ptr<FlashExServiceManager> services_;
    std::shared_ptr<RasterJob> job_;
    std::string scriptTimeLimit_;
};
