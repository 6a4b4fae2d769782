#include "player/PlayerControl.h"

#include "tbx/Handles.h"
#include "tbx/TextConversion.h"

// What the control does while an author works on a movie: script errors over
// the stage, and a debug server for Duktape's debug protocol.
namespace player {

namespace {

const DWORD kClientWaitMs = 30000;
const UINT kDebugServeMs = 100;

}  // namespace

void PlayerControl::scriptFailed(const std::string& summary) { showStageError("script error: " + summary); }

void PlayerControl::showStageError(const std::string& utf8Text) {
    if (!showScriptErrors()) return;
    try {
        stageError_ = multiByteToWide(utf8Text, CP_UTF8);
    } catch (...) {
        stageError_ = u"script error";
    }
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void PlayerControl::paintStageError(HDC dc, const RECT& client) const {
    const int kMargin = 8;
    auto text = reinterpret_cast<LPCWSTR>(stageError_.c_str());
    int saved = SaveDC(dc);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT measured = {client.left + kMargin, client.top + kMargin, client.right - kMargin, client.top + kMargin};
    DrawTextW(dc, text, -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    RECT band = {client.left, client.top, client.right, measured.bottom + kMargin};
    tbx::GdiObject red(CreateSolidBrush(RGB(150, 20, 20)));
    FillRect(dc, &band, static_cast<HBRUSH>(red.get()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT area = {client.left + kMargin, client.top + kMargin, client.right - kMargin, band.bottom};
    DrawTextW(dc, text, -1, &area, DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    RestoreDC(dc, saved);
}

void PlayerControl::prepareDebugger() {
    unsigned short port = debugPort();
    if (port == 0 || !window_) return;
    if (!debugServer_) {
        try {
            debugServer_ = std::make_unique<DebugServer>(port);
        } catch (const DebugServerError& e) {
            writeLine(STD_ERROR_HANDLE, "debugger: " + e.message() + "; the movie plays without a debugger");
            return;
        }
        SetTimer(window_, kDebugTimer, kDebugServeMs, nullptr);
    }
    if (debugClient_) return;
    writeLine(STD_OUTPUT_HANDLE, "debugger: listening on " + debugServer_->address() +
                                     "; the movie waits up to 30 s for a client before it starts");
    debugClient_ = debugServer_->acceptClient(kClientWaitMs);
    if (debugClient_)
        writeLine(STD_OUTPUT_HANDLE, "debugger: a client attached; the movie is paused before its first line");
    else
        writeLine(STD_OUTPUT_HANDLE,
                  "debugger: no client attached within 30 s; the movie plays on, and a client "
                  "can still attach on " +
                      debugServer_->address());
}

void PlayerControl::serveDebugClient() {
    if (!debugServer_ || !engine_ || engine_->busy()) return;
    if (!debugClient_) {
        debugClient_ = debugServer_->acceptClient(0);
        if (!debugClient_) return;
        writeLine(STD_OUTPUT_HANDLE, "debugger: a client attached; the movie pauses before the next line it runs");
    }
    if (!engine_->debuggerAttached()) engine_->attachDebugger(*debugClient_);
    withEngine([](ScriptEngine& engine) { engine.serveDebugger(); });
}

void PlayerControl::debuggerDetached() {
    if (!debugClient_) return;
    debugClient_.reset();
    writeLine(STD_OUTPUT_HANDLE, "debugger: the client is detached");
}

}  // namespace player
