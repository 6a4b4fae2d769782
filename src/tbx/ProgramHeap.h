#pragma once
#include <cstddef>

// The program's operator new and delete: blocks of up to kLargestSmallBlock
// bytes come from slabs of one size each, kept for reuse once freed; larger
// ones from the C runtime's heap. A call's values are many such blocks (a
// value, a map node, a short text), and under Wine the process heap takes a
// lock, walks its free lists and gives emptied regions back to the system on
// every call, so a large request spent more time in the heap than in its parse.
// A small block freed twice ends the program with STATUS_HEAP_CORRUPTION.
namespace ProgramHeap {

const size_t kLargestSmallBlock = 256;

// True when p is a small block of this heap (freed or not).
bool ownsSmallBlock(const void* p);

// The bytes of small blocks handed out and not yet freed.
size_t smallBytesInUse();

}  // namespace ProgramHeap
