#pragma once
#include <windows.h>

#include <string>
#include <type_traits>

#include "tbx/ErrorBoundary.h"

// One guard per kind of boundary that no exception may cross: a COM method,
// a window procedure (and the message hooks it calls) and a thread entry.
// Each runs its body; when the body throws, report(caughtError()) gives the
// boundary's answer. The report runs inside the handler, so it may rethrow to
// look at the type; should it throw too, the guard answers its fallback.
namespace tbx {

namespace detail {

template <typename Result, typename Body, typename Report>
Result guarded(Body&& body, Report&& report, Result success, Result fallback) noexcept {
    try {
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            return success;
        } else {
            return body();
        }
    } catch (...) {
        try {
            return report(caughtError());
        } catch (...) {
            return fallback;
        }
    }
}

template <typename Body, typename Report>
auto guardedAsBody(Body&& body, Report&& report) noexcept {
    using Result = decltype(body());
    if constexpr (std::is_void_v<Result>) {
        try {
            body();
        } catch (...) {
            try {
                report(caughtError());
            } catch (...) {
            }
        }
    } else {
        return guarded<Result>(body, report, Result{}, Result{});
    }
}

}  // namespace detail

// A COM method's body answers an HRESULT (or nothing: S_OK); a failure
// answers report's HRESULT, or E_UNEXPECTED.
template <typename Body, typename Report>
HRESULT guardComMethod(Body&& body, Report&& report) noexcept {
    return detail::guarded<HRESULT>(body, report, S_OK, E_UNEXPECTED);
}

// A window procedure or message hook answers what its body answers; a failure
// answers report's value, or a zero value.
template <typename Body, typename Report>
auto guardWindowProcedure(Body&& body, Report&& report) noexcept {
    return detail::guardedAsBody(body, report);
}

// A thread's entry answers its body's exit code; a failure answers report's,
// or zero.
template <typename Body, typename Report>
auto guardThreadEntry(Body&& body, Report&& report) noexcept {
    return detail::guardedAsBody(body, report);
}

// Writes "where: text" to the debugger's output.
inline void traceFailure(const char* where, const CaughtError& error) noexcept {
    try {
        const std::string& text = error.message.empty() ? std::string("unexpected failure") : error.message;
        OutputDebugStringA((std::string(where) + ": " + text).c_str());
    } catch (...) {
    }
}

// A report that traces the failure and answers `answer`.
template <typename Result>
auto traced(const char* where, Result answer) noexcept {
    return [where, answer](const CaughtError& error) {
        traceFailure(where, error);
        return answer;
    };
}

// A report that traces the failure and answers nothing.
inline auto traced(const char* where) noexcept {
    return [where](const CaughtError& error) { traceFailure(where, error); };
}

}  // namespace tbx
