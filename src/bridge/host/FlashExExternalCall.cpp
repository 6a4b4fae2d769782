#include "bridge/host/FlashExExternalCall.h"

#include <exception>
#include <memory>

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
        std::string xml;
        error->writeXML(xml);
        if (player.exists()) player.SetReturnValue(xml);
    } catch (...) {
        // The player cannot take even the error; the movie's call returns undefined.
    }
}

// The answer's value XML. The request and the result are gone when it
// returns, so a long text argument or answer is not held while the player
// gets its copy of the answer.
std::string answerOf(const std::string& text, FlashExServiceManager& manager, const std::string& apiKey) {
    FlashExRequest request;
    parseRequest(text, request);
    checkApiKey(request, apiKey);
    ParamPtr result = manager.invoke(request);
    request.reset();
    if (!result) return "<null/>";
    std::string xml;
    result->writeXML(xml);
    return xml;
}

}  // namespace

void handleExternalCall(const std::string& text, FlashExServiceManager& manager, const std::string& apiKey,
                        CShockwaveflash1& player) {
    // After a crash the program is only being ended: no service runs for the
    // movie (a rasterised movie's thread still plays), and no answer is built.
    if (tbx::crashed()) return;
    try {
        std::string xml = answerOf(text, manager, apiKey);
        if (player.exists()) player.SetReturnValue(xml);
    } catch (...) {
        answerError(player, movieErrorText());
    }
}
