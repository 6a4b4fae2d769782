#include <stdexcept>

#include "MovaraTest.h"
#include "tbx/ErrorBoundary.h"
#include "tbx/FlashExException.h"
#include "tbx/MvException.h"

namespace {

struct OutsideEveryFamily {};

template <typename Throw>
CaughtError sortedFrom(Throw thrower) {
    try {
        thrower();
    } catch (...) {
        return caughtError();
    }
    return {true, "nothing thrown"};
}

}  // namespace

// Every boundary says the same about the same exception: the system's own
// and standard ones carry their message, anything else is unexpected.
TEST(ErrorBoundary, EachKindOfExceptionIsSortedOnce) {
    struct Case {
        const char* what;
        CaughtError (*caught)();
        bool expected;
        std::string message;
    } cases[] = {
        {"command failure", [] { return sortedFrom([] { throw FlashExException("ファイルがありません"); }); }, true,
         "ファイルがありません"},
        {"system failure", [] { return sortedFrom([] { throw MvException("一般"); }); }, true, "一般"},
        {"standard", [] { return sortedFrom([] { throw std::runtime_error("standard"); }); }, true, "standard"},
        {"out of memory", [] { return sortedFrom([] { throw std::bad_alloc(); }); }, true, std::bad_alloc().what()},
        {"number", [] { return sortedFrom([] { throw 42; }); }, false, ""},
        {"foreign class", [] { return sortedFrom([] { throw OutsideEveryFamily(); }); }, false, ""},
    };
    for (const Case& c : cases) {
        CaughtError error = c.caught();
        EXPECT_EQ(c.expected, error.expected) << c.what;
        EXPECT_EQ(c.message, error.message) << c.what;
        EXPECT_EQ(c.expected ? c.message : "fixed", error.textOr("fixed")) << c.what;
    }
}

TEST(ErrorBoundary, TheMovieGetsTheMessageOrTheFixedUnexpectedText) {
    auto movieText = [](auto thrower) {
        try {
            thrower();
        } catch (...) {
            return movieErrorText();
        }
        return std::string("nothing thrown");
    };
    EXPECT_EQ("type error", movieText([] { throw FlashExException("type error"); }));
    EXPECT_EQ("unexpected error", movieText([] { throw OutsideEveryFamily(); }));
}
