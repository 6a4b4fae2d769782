#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MovaraTest.h"
#include "PlayerTestIds.h"
#include "SwfWriter.h"
#include "framework/Dialog.h"
#include "framework/DispatchCaller.h"
#include "player/host/PlayerHost.h"
#include "tbx/Handles.h"

// A dialog hosting the player as the program does: control 1002 from the
// template, events through the player's event interface.
class PlayerDialog : public fw::Dialog {
public:
    PlayerDialog();

    // Answers a FlashCall: the value XML to hand to SetReturnValue, or
    // nothing (no value set). The default answers nothing.
    std::function<bool(const std::string& invoke, std::string& answer)> onFlashCall;

    std::vector<std::string> flashCalls;  // invoke texts, ANSI
    std::vector<std::pair<std::string, std::string>> commands;
    std::vector<int> readyStates;

    fw::ActiveXControl& player();
    // Automation calls on the hosted player.
    fw::DispatchCaller calls() { return fw::DispatchCaller(player().dispatch()); }
    // The player's CallFunction: an invoke text in, its value XML answer out.
    std::string callFunction(const std::string& invoke);
    // Puts FlashVars (when given) and Movie, then runs messages until ready state 4.
    bool play(const std::string& movie, const std::string& flashVars = std::string());
    // The invoke texts of calls named `name`.
    std::vector<std::string> callsNamed(const std::string& name) const;

protected:
    void OnEvent(int controlId, DISPID id, DISPPARAMS* params, VARIANT* result) override;
};

// Runs this thread's messages until done() or the timeout passes.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Runs this thread's messages until everything posted to it before the call
// has been dispatched (a movie's deferred load, for example); false when that
// takes longer than the timeout.
bool pumpPostedMessages(DWORD timeoutMs = 5000);
// Runs this thread's messages until a timer of its own has fired `ticks`
// times every periodMs: a timer of the same period still alive on this
// thread has had its turns meanwhile too. False on time-out.
bool pumpTimerTicks(UINT periodMs, int ticks, DWORD timeoutMs = 5000);

// Writes a movie made by mkswf's writer; answers its path.
std::string writeMovie(const std::string& path, const std::string& script, SwfOptions options = SwfOptions());

// OLE, ActiveX hosting and the stand-in's class for the calling thread.
class PlayerThreadSetup {
public:
    PlayerThreadSetup();
    ~PlayerThreadSetup();

private:
    std::unique_ptr<player::PlayerClassRegistration> registration_;
};

// The value XML between <arguments> and </arguments> of an invoke text.
std::string argumentsOf(const std::string& invoke);

// The player's standard error (script errors) while the object lives.
class ErrorCapture {
public:
    ErrorCapture();
    ~ErrorCapture();
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;
    // Everything written so far.
    const std::string& text();

private:
    tbx::KernelHandle reader_, writer_;
    HANDLE original_ = nullptr;
    std::string text_;
};

// The player's host window sized to width x height and painted, as the
// host paints it, into a bitmap whose pixels at() reads.
class PaintedPlayer {
public:
    PaintedPlayer(HWND host, int width, int height);
    COLORREF at(int x, int y) const { return GetPixel(memory_.get(), x, y); }

private:
    tbx::GdiObject bitmap_;
    tbx::MemoryDC memory_;  // goes first, releasing the bitmap
};

// A test with a hosted player on this thread, a scratch folder, and the
// player's standard error captured.
class HostedPlayerTest : public ::testing::Test {
protected:
    PlayerThreadSetup setup;
    movara_test::ScratchDir dir;
    PlayerDialog dialog;
    ErrorCapture errors;
    void SetUp() override { ASSERT_TRUE(dialog.Create()); }
    // CallFunction of the movie's callback `name`, without arguments.
    std::string call(const std::string& name) {
        return dialog.callFunction("<invoke name=\"" + name + "\" returntype=\"xml\"></invoke>");
    }
};
