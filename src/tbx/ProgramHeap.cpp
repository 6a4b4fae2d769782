#include "tbx/ProgramHeap.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <new>

#include <windows.h>
#include <emmintrin.h>

namespace {

// Sizes come in steps of 16 bytes, which also keeps every block aligned as
// operator new must.
const size_t kStep = 16;
const size_t kClasses = ProgramHeap::kLargestSmallBlock / kStep;
// Address space reserved at the first allocation and committed a slab at a
// time; when it is used up, small blocks come from the C runtime's heap too.
// A 32-bit process has 2 GB of addresses in all, so it reserves 256 MB.
const size_t kSlabBytes = 64 * 1024;
const size_t kRegionBytes = sizeof(void*) == 8 ? size_t(2) << 30 : size_t(256) << 20;
const size_t kSlabs = kRegionBytes / kSlabBytes;

// A free block holds the next free one and, beside it, a mark made of its
// own address: a block that already carries its mark when it is freed was
// freed before. Every block has room for both (16 bytes at least).
struct FreeBlock {
    FreeBlock* next;
    uintptr_t freedMark;
};

const uintptr_t kFreedSalt = 0x5A17F4EEDB10C4EDull;

uintptr_t freedMarkOf(const FreeBlock* block) { return reinterpret_cast<uintptr_t>(block) ^ kFreedSalt; }

// A block freed twice would be handed out twice: the program ends as on any
// fault, through the crash guard, before the heap's lists are spoilt.
[[noreturn]] void blockFreedTwice() {
    for (;;) RaiseException(STATUS_HEAP_CORRUPTION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

// One size of block: its free list and the unused end of its newest slab.
// Guarded by a spin lock: the holder only moves a pointer or two, except
// when it commits a new slab.
struct SizeClass {
    std::atomic_flag busy = ATOMIC_FLAG_INIT;
    FreeBlock* freeBlocks = nullptr;
    char* next = nullptr;
    char* end = nullptr;
    size_t blocksInUse = 0;
};

SizeClass sizeClasses[kClasses];
// The size class of each slab handed out, by its number in the region.
unsigned char slabClass[kSlabs];
std::atomic<char*> regionBase{nullptr};
std::atomic<size_t> slabsUsed{0};

class SpinLock {
public:
    explicit SpinLock(std::atomic_flag& flag) : flag_(flag) {
        for (unsigned spins = 0; flag_.test_and_set(std::memory_order_acquire); ++spins) {
            if (spins < 64) {
                _mm_pause();
            } else {
                SwitchToThread();
            }
        }
    }
    ~SpinLock() { flag_.clear(std::memory_order_release); }
    SpinLock(const SpinLock&) = delete;
    SpinLock& operator=(const SpinLock&) = delete;

private:
    std::atomic_flag& flag_;
};

// The reserved region; null when the system refused the reservation.
char* region() {
    char* base = regionBase.load(std::memory_order_acquire);
    if (base) return base;
    auto reserved = static_cast<char*>(VirtualAlloc(nullptr, kRegionBytes, MEM_RESERVE, PAGE_READWRITE));
    if (!reserved) return nullptr;
    if (!regionBase.compare_exchange_strong(base, reserved, std::memory_order_acq_rel)) {
        VirtualFree(reserved, 0, MEM_RELEASE);  // another thread reserved first
        return base;
    }
    return reserved;
}

// Gives the class a fresh slab to carve; false when the region is used up
// or the system refuses to commit.
bool addSlab(SizeClass& sizeClass, size_t classIndex) {
    char* base = region();
    if (!base) return false;
    const size_t slab = slabsUsed.fetch_add(1, std::memory_order_relaxed);
    if (slab >= kSlabs) return false;
    char* start = base + slab * kSlabBytes;
    if (!VirtualAlloc(start, kSlabBytes, MEM_COMMIT, PAGE_READWRITE)) return false;
    slabClass[slab] = static_cast<unsigned char>(classIndex);
    const size_t blockBytes = (classIndex + 1) * kStep;
    sizeClass.next = start;
    sizeClass.end = start + kSlabBytes / blockBytes * blockBytes;
    return true;
}

void* allocateSmall(size_t size) {
    const size_t classIndex = size == 0 ? 0 : (size - 1) / kStep;
    SizeClass& sizeClass = sizeClasses[classIndex];
    void* block = nullptr;
    {
        SpinLock lock(sizeClass.busy);
        if (FreeBlock* freed = sizeClass.freeBlocks) {
            sizeClass.freeBlocks = freed->next;
            freed->freedMark = 0;
            block = freed;
        } else if (sizeClass.next != sizeClass.end || addSlab(sizeClass, classIndex)) {
            block = sizeClass.next;
            sizeClass.next += (classIndex + 1) * kStep;
        }
        if (block) ++sizeClass.blocksInUse;
    }
    return block;
}

void freeSmall(void* p) {
    const size_t slab =
        static_cast<size_t>(static_cast<char*>(p) - regionBase.load(std::memory_order_relaxed)) / kSlabBytes;
    const size_t classIndex = slabClass[slab];
    SizeClass& sizeClass = sizeClasses[classIndex];
    auto block = static_cast<FreeBlock*>(p);
    bool freedBefore;
    {
        SpinLock lock(sizeClass.busy);
        freedBefore = block->freedMark == freedMarkOf(block);
        if (!freedBefore) {
            block->freedMark = freedMarkOf(block);
            block->next = sizeClass.freeBlocks;
            sizeClass.freeBlocks = block;
            --sizeClass.blocksInUse;
        }
    }
    // Outside the lock: the crash's clean-up allocates too.
    if (freedBefore) blockFreedTwice();
}

// The C runtime's heap aligns its blocks to 16 bytes on x64 but to 8 on
// x86, short of the 16 that operator new promises there too.
const bool kRuntimeAlignsTo16 = sizeof(void*) == 8;

void* allocateLarge(size_t size) { return kRuntimeAlignsTo16 ? std::malloc(size) : _aligned_malloc(size, kStep); }

void releaseLarge(void* p) {
    if (kRuntimeAlignsTo16) {
        std::free(p);
    } else {
        _aligned_free(p);
    }
}

void* allocate(size_t size) {
    if (size <= ProgramHeap::kLargestSmallBlock) {
        if (void* block = allocateSmall(size)) return block;
    }
    return allocateLarge(size == 0 ? 1 : size);
}

void release(void* p) {
    if (!p) return;
    if (ProgramHeap::ownsSmallBlock(p)) {
        freeSmall(p);
    } else {
        releaseLarge(p);
    }
}

// operator new's contract: ask the new-handler for memory until it gives
// up, then throw.
void* allocateOrThrow(size_t size) {
    for (;;) {
        if (void* p = allocate(size)) return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void* allocateOrNull(size_t size) noexcept {
    try {
        return allocateOrThrow(size);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

bool ProgramHeap::ownsSmallBlock(const void* p) {
    const char* base = regionBase.load(std::memory_order_relaxed);
    const auto byte = static_cast<const char*>(p);
    return base && byte >= base && byte < base + kRegionBytes;
}

size_t ProgramHeap::smallBytesInUse() {
    size_t bytes = 0;
    for (size_t i = 0; i < kClasses; ++i) {
        SpinLock lock(sizeClasses[i].busy);
        bytes += sizeClasses[i].blocksInUse * (i + 1) * kStep;
    }
    return bytes;
}

void* operator new(size_t size) { return allocateOrThrow(size); }
void* operator new[](size_t size) { return allocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, size_t) noexcept { release(p); }
void operator delete[](void* p, size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
