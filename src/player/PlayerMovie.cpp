#include "player/PlayerControl.h"

#include <algorithm>

#include "player/FlashVars.h"
#include "player/MovieFile.h"
#include "player/host/PlayerIds.h"
#include "tbx/ComVariant.h"
#include "tbx/TextConversion.h"

// Loading and unloading movies, and what the running script asks of the
// control (events to the host, redraws, timers).
namespace player {

void PlayerControl::setMovie(const std::u16string& location) {
    movie_ = location;
    readyState_ = 0;
    loadPending_ = true;
    // The load runs from the message loop, after this put has returned.
    if (window_) PostMessageA(window_, kLoadMessage, 0, 0);
}

void PlayerControl::loadPendingMovie() {
    if (!loadPending_ || !window_) return;
    if (engine_ && engine_->busy()) {
        // A script is running further up this thread's stack: try again later.
        SetTimer(window_, kLoadRetryTimer, 10, nullptr);
        return;
    }
    loadPending_ = false;
    unloadMovie();
    if (movie_.empty()) return;
    MovieData movie;
    try {
        movie = loadMovieFile(movie_);
    } catch (const std::exception& e) {
        std::string text = "movie not loaded: " + wideToMultiByte(movie_, CP_UTF8) + ": " + e.what();
        writeLine(STD_ERROR_HANDLE, text);
        showStageError(text);
        return;
    }
    stage_.reset(movie.width, movie.height, movie.backgroundColor);
    stage_.setFrameRate(movie.frameRate);
    InvalidateRect(window_, nullptr, TRUE);
    // Variables of the movie URL's query first, FlashVars after (they win).
    std::u16string query = movieQueryOf(movie_);
    if (!flashVars_.empty()) query += (query.empty() ? u"" : u"&") + flashVars_;
    try {
        engine_ = std::make_unique<ScriptEngine>(*this, stage_, decodeFlashVars(query));
    } catch (const std::exception& e) {
        writeLine(STD_ERROR_HANDLE, e.what());
        showStageError(e.what());
        return;
    }
    prepareDebugger();
    if (debugClient_) engine_->attachDebugger(*debugClient_);
    std::string name = wideToMultiByte(moviePathOf(movie_), CP_UTF8);
    ScriptEngine* started = engine_.get();
    bool ran = false;
    withEngine([&](ScriptEngine& engine) { ran = engine.run(movie.script, name, movie.scriptName); });
    // Not when the top level replaced or closed its own movie.
    if (loadPending_ || engine_.get() != started) return;
    if (ran && !stageError_.empty()) {
        stageError_.clear();
        if (window_) InvalidateRect(window_, nullptr, FALSE);
    }
    // Reported after the top level ran, so callbacks and drawing exist.
    readyState_ = 4;
    VARIANT state;
    VariantInit(&state);
    V_VT(&state) = VT_I4;
    V_I4(&state) = 4;
    AddRef();
    events_.fire(kEventReadyStateChange, {state});
    Release();
}

void PlayerControl::unloadMovie() {
    for (UINT id : scriptTimers_)
        if (window_) KillTimer(window_, id);
    scriptTimers_.clear();
    dropEngine();
    stage_.reset(stage_.width(), stage_.height(), 0xFFFFFF);
    readyState_ = 0;
    if (window_) InvalidateRect(window_, nullptr, TRUE);
}

void PlayerControl::dropEngine() {
    if (!engine_) return;
    if (engine_->busy())
        doomedEngines_.push_back(std::move(engine_));
    else
        engine_.reset();
}

void PlayerControl::withEngine(const std::function<void(ScriptEngine&)>& fn) {
    if (!engine_) return;
    ScriptEngine* engine = engine_.get();
    AddRef();
    struct Cleanup {
        PlayerControl& control;
        ScriptEngine* engine;
        ~Cleanup() {
            // Engines dropped while they ran go once nothing runs any more.
            if (!engine->busy()) {
                auto& doomed = control.doomedEngines_;
                doomed.erase(std::remove_if(doomed.begin(), doomed.end(),
                                            [](const std::unique_ptr<ScriptEngine>& e) { return !e->busy(); }),
                             doomed.end());
            }
            control.Release();
        }
    } cleanup{*this, engine};
    fn(*engine);
}

bool PlayerControl::externalCall(tbx::Variant invoke, std::string& answer) {
    returns_.push_back(PendingReturn{});
    events_.fire(kEventFlashCall, {*invoke.get()});
    PendingReturn returned = std::move(returns_.back());
    returns_.pop_back();
    answer = std::move(returned.xml);
    return returned.set;
}

void PlayerControl::fsCommand(const std::u16string& command, const std::u16string& arguments) {
    tbx::Variant commandText = tbx::Variant::fromWide(command);
    tbx::Variant argumentsText = tbx::Variant::fromWide(arguments);
    events_.fire(kEventFSCommand, {*commandText.get(), *argumentsText.get()});
}

void PlayerControl::stageChanged() {
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void PlayerControl::startTimer(UINT id, UINT milliseconds) {
    if (!window_) return;
    if (SetTimer(window_, id, std::max<UINT>(milliseconds, USER_TIMER_MINIMUM), nullptr)) scriptTimers_.push_back(id);
}

void PlayerControl::stopTimer(UINT id) {
    if (window_) KillTimer(window_, id);
    scriptTimers_.erase(std::remove(scriptTimers_.begin(), scriptTimers_.end(), id), scriptTimers_.end());
}

}  // namespace player
