#include <cstdint>

#include "CoverageMap.h"

// The compiler calls this at every basic block of code built with
// -fsanitize-coverage=trace-pc. As AFL does, it counts the edge from the
// previous block to this one: blocks hash to map positions, and an edge is
// the current position XOR half the previous one, so A->B and B->A differ.
// Only the thread that runs the inputs executes instrumented code.
extern "C" {

uint8_t movara_coverage_map[fuzz::kCoverageMapSize];

namespace {
uintptr_t previousBlock;
}

void __sanitizer_cov_trace_pc() {
    uintptr_t pc = reinterpret_cast<uintptr_t>(__builtin_return_address(0));
    uintptr_t block = ((pc ^ (pc >> 16)) * 0x9E3779B1u >> 8) & (fuzz::kCoverageMapSize - 1);
    ++movara_coverage_map[block ^ previousBlock];
    previousBlock = block >> 1;
}
}
