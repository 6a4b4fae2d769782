#include "tbx/ErrorBoundary.h"

#include <exception>

#include "tbx/FlashExException.h"

CaughtError caughtError() noexcept {
    try {
        try {
            throw;
        } catch (const FlashExException& e) {
            return {true, e.getMessage()};
        } catch (const std::exception& e) {
            return {true, e.what()};
        } catch (...) {
            return {};
        }
    } catch (...) {
        return {};  // not even the message could be copied
    }
}

std::string movieErrorText() noexcept {
    try {
        return caughtError().textOr("unexpected error");
    } catch (...) {
        return {};
    }
}
