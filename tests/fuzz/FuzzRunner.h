#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fuzz {

// Answers "" when the input kept every invariant, otherwise what went wrong.
using Check = std::function<std::string(const std::string& input)>;

struct RunReport {
    size_t inputs = 0;
    std::vector<std::string> failures;  // "input N: what went wrong; input as hex"
    size_t privateAfterWarmUp = 0;      // bytes, after a tenth of the inputs
    size_t privateAtEnd = 0;
    size_t edges = 0;        // edges reached (coverage build only)
    size_t corpusAdded = 0;  // inputs that reached new code, kept to mutate further
};

// Inputs per kind: MOVARA_FUZZ_INPUTS, or the short run's count (fewer for
// the kinds whose every input writes files, which is slow under Wine).
size_t inputsPerKind(size_t shortRun = 10000);
// MOVARA_FUZZ_SEED, or a fixed seed so that every run repeats the last.
uint64_t runSeed();
// The process's private memory in bytes.
size_t privateBytes();

// Replays the kind's regression cases, then checks `inputs` mutated
// inputs of the corpus. An input that uses more than timeLimitMs of CPU time
// (or six times that in wall time), or that
// crashes the process, is written as hex to "fuzz-<kind>-last.hex" in the
// current directory and ends the process; a failed check is kept in the
// report and written to "fuzz-<kind>-<N>.hex". Private memory may not grow
// past warm-up by more than memoryGrowthLimit bytes. In the coverage build an
// input that reaches new code joins the corpus (up to 10,000 such inputs).
RunReport run(const char* kind, const std::vector<std::string>& corpus, const std::vector<std::string>& regressions,
              const Check& check, size_t inputs = inputsPerKind(), unsigned timeLimitMs = 10000,
              size_t memoryGrowthLimit = 64u << 20);

}  // namespace fuzz
