#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "FlashEx/CShockwaveflash1.h"
#include "framework/Dialog.h"
#include "tbx/Handles.h"

#include <vector>

#include "FlashEx/FlashExParam.h"
class FlashExServiceManager;

// The program's window: a dialog whose only child is the movie player
// (control 1002). It loads the movie, hands the movie's external calls to the
// service manager and reports key, mouse, close, drop and move events to the
// movie by calling its functions ("ext events").
class FlashExDlg : public fw::Dialog {
public:
    static const int kPlayerId = 1002;

    explicit FlashExDlg(UINT templateId, HINSTANCE resources = nullptr);
    ~FlashExDlg() override;

    // Initialises the parser library once, switches ext events off and keeps
    // what initialisation needs. initialX and initialY are set directly.
    void setup(bool fitPlayerToClient, const std::string& moviePath, FlashExServiceManager* manager, int width,
               int height);
    // "movie?query" sets the query as FlashVars; a movie found in the
    // current directory is loaded by its full path, any other path as given.
    void loadMovie(const std::string& path);
    // The player's host window, or null before it exists.
    HWND playerWindow();
    // Gives the attached player its start-up settings, each in the form its
    // property takes; a player without one of them plays all the same.
    void applyPlayerSettings();

    // Offers the message to the services, then turns keys and clicks into
    // ext events, then gives it to the dialog manager.
    BOOL PreTranslateMessage(MSG* msg) override;

    bool fitPlayerToClient = false;
    std::string moviePath;
    int initialWidth = -1;
    int initialHeight = -1;
    int initialX = -1;
    int initialY = -1;
    tbx::Icon smallIcon;
    tbx::Icon bigIcon;
    CShockwaveflash1 player;
    bool extCloseEnabled = true;
    bool wantExtEvents = false;
    FlashExServiceManager* manager = nullptr;
    std::string apiKey;

protected:
    BOOL OnInitDialog() override;
    bool OnEraseBkgnd(HDC dc) override { return true; }
    void OnSize(UINT type, int width, int height) override;
    void OnMove(int x, int y) override;
    bool OnClose() override;
    void OnDropFiles(HDROP drop) override;
    void OnDestroy() override;
    void OnOK() override {}
    void OnEvent(int controlId, DISPID id, DISPPARAMS* params, VARIANT* result) override;
    void OnHandlerException() override;

    // The player's start-up settings (window mode, quality, scale mode,
    // playing, loop, menu, networking, full screen); a dialog with other
    // needs overrides this.
    virtual std::vector<PlayerSetting> playerSettings() const;
    // Calls a movie function; any failure is swallowed and gives null.
    ParamPtr sendEvent(const std::string& name, std::vector<ParamPtr> arguments = {});

private:
    // Key, mouse-up and right-click ext events. True consumes the message;
    // `dispatchDirectly` asks for dispatch without the dialog manager.
    bool translateExtEvent(MSG* msg, bool& dispatchDirectly);
};
