#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "bridge/host/CShockwaveflash1.h"
#include "framework/Dialog.h"

class FlashExServiceManager;

// A dialog whose child control 1002 is the movie player: it attaches the
// player and gives it its start-up settings, loads movies, lets the services
// see the thread's messages first and hands the movie's external calls to
// its service manager.
class PlayerDialog : public fw::Dialog {
public:
    static const int kPlayerId = 1002;

    explicit PlayerDialog(UINT templateId, HINSTANCE resources = nullptr);
    ~PlayerDialog() override;

    // The player's host window, or null before it exists.
    HWND playerWindow() const;
    // Hosts this control as the player ("ProgID" or "{CLSID}") instead of the
    // one the program would choose; call before the dialog is created.
    void choosePlayer(const std::string& controlText);
    CShockwaveflash1& player() { return player_; }
    // Gives the attached player its start-up settings, each in the form its
    // property takes; a player without one of them plays all the same.
    void applyPlayerSettings();

    // Offers the message to the services, then to the dialog manager.
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    // Attaches the player and applies its settings.
    BOOL OnInitDialog() override;
    // The dialog's background is left alone, and Enter never ends the dialog.
    bool OnEraseBkgnd(HDC dc) override { return true; }
    void OnOK() override {}
    void OnDestroy() override;
    // The player's FlashCall events go to the service manager.
    void OnEvent(int controlId, DISPID id, DISPPARAMS* params, VARIANT* result) override;
    void OnHandlerException() override;

    // The settings applyPlayerSettings puts.
    virtual std::vector<PlayerSetting> playerSettings() const = 0;
    // The key that external calls must give while the API is locked; empty: none.
    virtual const std::string& callKey() const;

    // Loads a movie; "movie?query" sets the query as FlashVars. A movie found
    // in the current directory is loaded by its full path, any other path as
    // given.
    void playMovie(const std::string& path);
    // The manager that gets the external calls and the services' message hook; null: none.
    void setServiceManager(FlashExServiceManager* manager) { manager_ = manager; }
    FlashExServiceManager* manager() const { return manager_; }
    // True when a service consumed the message.
    bool servicesTakeMessage(MSG* msg);

    CShockwaveflash1 player_;

private:
    FlashExServiceManager* manager_ = nullptr;
};
