#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "bridge/dialog/PlayerDialog.h"
#include "bridge/host/FlashExHost.h"
#include "bridge/values/FlashExParam.h"
#include "dialog/MvDropListener.h"
#include "dialog/MovieWatch.h"
#include "dialog/MvDropTarget.h"
#include "tbx/Handles.h"

class FlashExServiceManager;

// The program's window: a dialog whose only child is the movie player
// (control 1002). It loads the movie, hands the movie's external calls to the
// service manager and reports key, mouse, close, drop and move events to the
// movie by calling its functions ("ext events"), and data that other
// programs drop on it ("onExtDrop").
class FlashExDlg : public PlayerDialog, public FlashExHost, public MvDropListener {
public:
    explicit FlashExDlg(UINT templateId, HINSTANCE resources = nullptr);
    ~FlashExDlg() override;

    // Switches ext events off and keeps what initialisation needs; a width
    // of -1 keeps the template's size.
    void setup(bool fitPlayerToClient, const std::string& moviePath, FlashExServiceManager* manager, int width,
               int height);
    // Where the window opens; without a call, where the template puts it.
    void setInitialPosition(int x, int y);
    // Reloads the movie in the same window whenever its file is replaced
    // (the live reload of a movie being written); call before the dialog runs.
    void watchMovieFile() { watching_ = true; }
    // Lets a debug client attach to the movie's script on 127.0.0.1:port;
    // call before the dialog runs. While watching or debugging, the player
    // draws script errors over the stage.
    void debugMovie(unsigned short port) { debugPort_ = std::to_string(port); }
    // Seconds one entry into the movie's script may run (the stand-in's
    // ScriptTimeLimit); empty: the player's own limit.
    void setScriptTimeLimit(const std::string& seconds) { scriptTimeLimit_ = seconds; }

    // FlashExHost. A movie found in the current directory is loaded by its
    // full path, any other path as given.
    HWND hostWindow() const override { return window(); }
    HWND playerWindow() const override { return PlayerDialog::playerWindow(); }
    const std::string& apiKey() const override { return apiKey_; }
    void lockApi(const std::string& key) override { apiKey_ = key; }
    void enableExtEvents() override { wantExtEvents_ = true; }
    void disableExtClose() override { extCloseEnabled_ = false; }
    void setIcons(tbx::Icon smallIcon, tbx::Icon bigIcon) override;
    void loadMovie(const std::string& path) override;

    bool extEventsWanted() const { return wantExtEvents_; }
    const tbx::Icon& smallIcon() const { return smallIcon_; }
    const tbx::Icon& bigIcon() const { return bigIcon_; }

    // Offers the message to the services, then turns keys and clicks into
    // ext events, then gives it to the dialog manager.
    BOOL PreTranslateMessage(MSG* msg) override;

    // Dropped items become "onExtDrop" events (FlashExDlgDrop.cpp).
    void onDropFileContents(const FILEDESCRIPTORA& descriptor, fw::DropFile& contents) override;
    void onDropText(unsigned clipboardFormat, const std::string& text) override;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnInitDialog() override;
    void OnSize(UINT type, int width, int height) override;
    void OnMove(int x, int y) override;
    bool OnClose() override;
    void OnDropFiles(HDROP drop) override;
    void OnDestroy() override;

    // The player's start-up settings: window mode, quality, scale mode,
    // playing, loop, menu, networking, full screen.
    std::vector<PlayerSetting> playerSettings() const override;
    const std::string& callKey() const override { return apiKey_; }
    // Calls a movie function; any failure is swallowed and gives null.
    ParamPtr sendEvent(const std::string& name, std::vector<ParamPtr> arguments = {});

private:
    // Key, mouse-up and right-click ext events. True consumes the message;
    // `dispatchDirectly` asks for dispatch without the dialog manager.
    bool translateExtEvent(MSG* msg, bool& dispatchDirectly);

    bool fitPlayerToClient_ = false;
    std::string moviePath_;
    int initialWidth_ = -1;
    int initialHeight_ = -1;
    int initialX_ = -1;
    int initialY_ = -1;
    tbx::Icon smallIcon_;
    tbx::Icon bigIcon_;
    bool extCloseEnabled_ = true;
    bool wantExtEvents_ = false;
    std::string apiKey_;
    MvDropTarget dropTarget_{*this};
    bool watching_ = false;
    std::unique_ptr<MovieWatch> movieWatch_;
    std::string scriptTimeLimit_;
    std::string debugPort_;  // empty: no debugger
};
