#include <stdexcept>

#include "MovaraTest.h"
#include "tbx/ErrorBoundary.h"
#include "tbx/Guards.h"
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

namespace {

// One thrower per family of exception, with what a boundary hears of it.
struct Family {
    const char* what;
    void (*thrower)();
    bool expected;
    std::string message;
};

const Family kFamilies[] = {
    {"command failure", [] { throw FlashExException("ファイルがありません"); }, true, "ファイルがありません"},
    {"system failure", [] { throw MvException("一般"); }, true, "一般"},
    {"text not for the movie", [] { throw tbx::Error("0x80020009", false); }, false, "0x80020009"},
    {"standard", [] { throw std::runtime_error("standard"); }, true, "standard"},
    {"foreign class", [] { throw OutsideEveryFamily(); }, false, ""},
};

}  // namespace

TEST(ErrorBoundary, TheSystemsFailuresShareOneBaseAndOnlySomeSpeakToTheMovie) {
    for (const Family& family : kFamilies) {
        CaughtError error = sortedFrom(family.thrower);
        EXPECT_EQ(family.expected, error.expected) << family.what;
        EXPECT_EQ(family.message, error.message) << family.what;
    }
    try {
        throw FlashExException("text");
    } catch (const tbx::Error& e) {
        EXPECT_STREQ("text", e.what());
    }
}

// Each guard answers its body's value, or its report's for every family, and
// its fallback when the report fails as well; nothing escapes.
TEST(ErrorBoundary, TheComMethodGuardAnswersAnHresult) {
    EXPECT_EQ(S_OK, tbx::guardComMethod([] {}, [](const CaughtError&) { return E_FAIL; }));
    EXPECT_EQ(S_FALSE, tbx::guardComMethod([] { return S_FALSE; }, [](const CaughtError&) { return E_FAIL; }));
    for (const Family& family : kFamilies) {
        CaughtError heard;
        auto hearing = [&](const CaughtError& error) {
            heard = error;
            return E_ABORT;
        };
        auto failing = [](const CaughtError&) -> HRESULT { throw std::runtime_error("the report fails too"); };
        EXPECT_EQ(E_ABORT, tbx::guardComMethod(family.thrower, hearing)) << family.what;
        EXPECT_EQ(family.expected, heard.expected) << family.what;
        EXPECT_EQ(family.message, heard.message) << family.what;
        EXPECT_EQ(E_UNEXPECTED, tbx::guardComMethod(family.thrower, failing)) << family.what;
    }
}

TEST(ErrorBoundary, TheWindowProcedureGuardAnswersTheReportsResult) {
    EXPECT_EQ(LRESULT{7}, tbx::guardWindowProcedure([] { return LRESULT{7}; }, tbx::traced("test", LRESULT{-1})));
    for (const Family& family : kFamilies) {
        auto body = [&]() -> LRESULT {
            family.thrower();
            return 7;
        };
        EXPECT_EQ(LRESULT{-1}, tbx::guardWindowProcedure(body, tbx::traced("test", LRESULT{-1}))) << family.what;
        EXPECT_EQ(LRESULT{0}, tbx::guardWindowProcedure(body, [](const CaughtError&) -> LRESULT { throw 1; }))
            << family.what;
        bool reported = false;
        tbx::guardWindowProcedure(family.thrower, [&](const CaughtError&) { reported = true; });
        EXPECT_TRUE(reported) << family.what;
    }
}

TEST(ErrorBoundary, TheThreadEntryGuardAnswersAnExitCode) {
    EXPECT_EQ(3, tbx::guardThreadEntry([] { return 3; }, tbx::traced("test", -1)));
    for (const Family& family : kFamilies) {
        auto body = [&] {
            family.thrower();
            return 3;
        };
        EXPECT_EQ(-1, tbx::guardThreadEntry(body, tbx::traced("test", -1))) << family.what;
    }
}
