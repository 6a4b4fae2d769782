#include "bridge/host/FlashExExternalCall.h"

#include <exception>
#include <memory>
#include <utility>

#include "bridge/host/CShockwaveflash1.h"
#include "tbx/FlashExException.h"
#include "bridge/values/FlashExParam.h"
#include "bridge/values/FlashExParse.h"
#include "bridge/values/FlashExRequest.h"
#include "bridge/host/FlashExServiceManager.h"
#include "tbx/CrashState.h"
#include "tbx/ErrorBoundary.h"

namespace {

void checkApiKey(FlashExRequest& request, const std::string& apiKey) {
    if (apiKey.empty()) return;
    if (request.arguments.at(0)->getString() != apiKey) throw FlashExException("invalid apikey param");
    request.shiftArgument();
}

void answerError(CShockwaveflash1& player, const std::string& message) noexcept {
    try {
        auto error = makeError(message);
        if (player.exists()) player.SetReturnValue(error->toXML());
    } catch (...) {
        // The player cannot take even the error; the movie's call returns undefined.
    }
}

// The answer's value XML. The request and the result are gone when it
// returns, so a long text argument or answer is not held while the player
// gets its copy of the answer.
template <typename Parse>
std::string answerOf(Parse parse, FlashExServiceManager& manager, const std::string& apiKey) {
    FlashExRequest request;
    parse(request);
    checkApiKey(request, apiKey);
    ParamPtr result = manager.invoke(request);
    request.reset();
    if (!result) return "<null/>";
    return result->toXML();
}

template <typename Parse>
void answerCall(Parse parse, FlashExServiceManager& manager, const std::string& apiKey, CShockwaveflash1& player) {
    // After a crash the program is only being ended: no service runs for the
    // movie (a rasterised movie's thread still plays), and no answer is built.
    if (tbx::crashed()) return;
    try {
        std::string xml = answerOf(parse, manager, apiKey);
        if (player.exists()) player.SetReturnValue(std::move(xml));
    } catch (...) {
        answerError(player, movieErrorText());
    }
}

}  // namespace

void handleExternalCall(const std::string& text, FlashExServiceManager& manager, const std::string& apiKey,
                        CShockwaveflash1& player) {
    answerCall([&](FlashExRequest& request) { parseRequest(text, request); }, manager, apiKey, player);
}

void handleExternalCall(const char16_t* text, FlashExServiceManager& manager, const std::string& apiKey,
                        CShockwaveflash1& player) {
    answerCall([&](FlashExRequest& request) { parseRequest(text, request); }, manager, apiKey, player);
}
