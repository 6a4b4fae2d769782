#pragma once
#include <memory>
#include <string>

#include "dom/MvDOMDocument.h"
#include "security/SecurityPolicy.h"

// A policy of its own, loaded from the security element of a settings text.
inline std::unique_ptr<SecurityPolicy> policyFromSettings(const std::string& securityElement) {
    MvDOMDocument settings;
    settings.loadXML("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<settings>" + securityElement + "</settings>");
    auto policy = std::make_unique<SecurityPolicy>();
    policy->load(settings.findChild("settings").findChild("security"));
    return policy;
}

// The message of the exception that f throws, or "" when it throws none.
template <typename F>
std::string messageOf(F f) {
    try {
        f();
    } catch (const FlashExException& e) {
        return e.getMessage();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}
