#include "tbx/ErrorBoundary.h"

#include <exception>

#include "tbx/Error.h"

CaughtError caughtError() noexcept {
    try {
        try {
            throw;
        } catch (const tbx::Error& e) {
            return {e.forMovie(), e.message()};
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
