#pragma once

namespace fuzz {

// With MOVARA_FUZZ_HEAP=guarded, every C++ allocation of the test program
// ends at a page with no access behind it, so that reading or writing past
// its end faults at once; freed blocks stay inaccessible for a while, so a
// use after free or a second free faults too, and the few bytes between the
// end and the 16-byte boundary are checked when the block is freed. The run
// is much slower; C allocations (zlib, the script engine) are not guarded.
bool guardedHeapInUse();

// The exception the guarded heap raises when a freed block shows a write
// past its end or is not one of its blocks.
constexpr unsigned long kGuardedHeapFault = 0xE0000001;

}  // namespace fuzz
