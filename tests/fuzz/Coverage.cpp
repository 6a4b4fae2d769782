#include <cstring>

#include "CoverageMap.h"

namespace fuzz {

namespace {

uint8_t countClass(uint8_t count) {
    if (count <= 3) return count == 3 ? 4 : count;
    if (count <= 7) return 8;
    if (count <= 15) return 16;
    if (count <= 31) return 32;
    if (count <= 127) return 64;
    return 128;
}

}  // namespace

void Coverage::startInput() { memset(movara_coverage_map, 0, kCoverageMapSize); }

bool Coverage::endInput() {
    bool found = false;
    // Most of the map stays zero: skip it eight bytes at a time.
    for (size_t word = 0; word < kCoverageMapSize; word += 8) {
        uint64_t eight;
        memcpy(&eight, movara_coverage_map + word, 8);
        if (!eight) continue;
        for (size_t i = word; i < word + 8; ++i) {
            uint8_t count = movara_coverage_map[i];
            if (!count) continue;
            uint8_t bit = countClass(count);
            if (seen_[i] & bit) continue;
            if (!seen_[i]) ++edges_;
            seen_[i] |= bit;
            found = true;
        }
    }
    return found;
}

}  // namespace fuzz
