#include <windows.h>

#include <cstring>

#include "FuzzRunner.h"
#include "MovaraTest.h"

// The runner's own checks: a run whose inputs keep memory fails, one whose
// inputs break the invariant keeps each failure, and a clean run has none.
namespace {

bool mentions(const fuzz::RunReport& report, const char* text) {
    for (const std::string& failure : report.failures)
        if (failure.find(text) != std::string::npos) return true;
    return false;
}

TEST(FuzzRunner, MemoryKeptByTheInputsAndBrokenInvariantsFailTheRun) {
    std::vector<char*> kept;
    auto leaking = fuzz::run("runner-leak", {"seed"}, {}, [&](const std::string&) {
        kept.push_back(new char[4096]);
        memset(kept.back(), 1, 4096);
        return std::string();
    }, 2000, 10000, 1u << 20);
    EXPECT_TRUE(mentions(leaking, "private memory grew")) << leaking.failures.size();
    for (char* block : kept) delete[] block;

    auto breaking = fuzz::run("runner-break", {"seed"}, {"regression"}, [](const std::string& input) {
        return input == "regression" ? std::string("broken") : std::string();
    }, 100);
    ASSERT_EQ(1u, breaking.failures.size());
    EXPECT_EQ(0u, breaking.failures[0].find("regression0: broken"));
    EXPECT_EQ("72656772657373696f6e", movara_test::readBytes("fuzz-runner-break-regression0.hex"));  // kept as hex
    DeleteFileA("fuzz-runner-break-regression0.hex");

    auto clean = fuzz::run("runner-clean", {"seed"}, {}, [](const std::string&) { return std::string(); }, 2000);
    EXPECT_TRUE(clean.failures.empty());
    EXPECT_EQ(2000u, clean.inputs);
}

}  // namespace
