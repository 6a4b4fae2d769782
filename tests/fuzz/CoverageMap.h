#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {
constexpr size_t kCoverageMapSize = size_t(1) << 16;
}

// Edge counts of the code built with -fsanitize-coverage=trace-pc (the
// mutation runs' coverage build), filled by CoverageHook.cpp. Without that
// build nothing writes it and every input looks like the last.
extern "C" uint8_t movara_coverage_map[fuzz::kCoverageMapSize];

namespace fuzz {

// Which edges, and which count class of each, inputs have reached so far.
class Coverage {
public:
    Coverage() : seen_(kCoverageMapSize, 0) {}
    // Clears the map before an input runs.
    void startInput();
    // True when the input just run reached an edge, or a count class of one
    // (1, 2, 3, 4-7, 8-15, 16-31, 32-127, 128+), that no input reached before.
    bool endInput();
    size_t edges() const { return edges_; }

private:
    std::vector<uint8_t> seen_;  // a bit per count class and edge
    size_t edges_ = 0;
};

}  // namespace fuzz
