#pragma once
#include <cstddef>

// The program's operator new and delete.
//
// Blocks of up to kLargestSmallBlock bytes come from slabs of one size each,
// kept for reuse once freed. A call's values are many such blocks (a value, a
// map node, a short text), and under Wine the process heap takes a lock,
// walks its free lists and gives emptied regions back to the system on every
// call, so a large request spent more time in the heap than in its parse.
//
// Larger blocks come from the C runtime's heap, except that the last few
// freed of kKeptLargeMin bytes or more (kKeptLargeTotal in all) are kept for
// the next requests they can serve: the runtime gives such a block back to
// the system, and the next one (a long string passed on every call, the
// parser's buffers for it) would be faulted in again page by page.
namespace ProgramHeap {

const size_t kLargestSmallBlock = 256;
const size_t kKeptLargeMin = 1024 * 1024;
const size_t kKeptLargeTotal = 16 * 1024 * 1024;

// True when p is a small block of this heap (freed or not).
bool ownsSmallBlock(const void* p);

// The bytes of small blocks handed out and not yet freed.
size_t smallBytesInUse();

// The bytes of the large blocks kept for reuse.
size_t keptLargeBytes();

}  // namespace ProgramHeap
