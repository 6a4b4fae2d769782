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
const size_t kSlabBytes = 64 * 1024;
const size_t kRegionBytes = size_t(2) << 30;
const size_t kSlabs = kRegionBytes / kSlabBytes;

struct FreeBlock {
    FreeBlock* next;
};

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
    const size_t slab = static_cast<size_t>(static_cast<char*>(p) - regionBase.load(std::memory_order_relaxed)) / kSlabBytes;
    const size_t classIndex = slabClass[slab];
    SizeClass& sizeClass = sizeClasses[classIndex];
    {
        SpinLock lock(sizeClass.busy);
        auto block = static_cast<FreeBlock*>(p);
        block->next = sizeClass.freeBlocks;
        sizeClass.freeBlocks = block;
        --sizeClass.blocksInUse;
    }
}

// The large blocks kept for reuse: blocks of the C runtime's heap, the bytes
// each holds at least, and when each was kept (oldest goes first).
struct KeptLarge {
    void* block = nullptr;
    size_t size = 0;
    unsigned long long kept = 0;
};
const size_t kKeptLargeBlocks = 4;
std::atomic_flag keptLargeBusy = ATOMIC_FLAG_INIT;
KeptLarge keptLarge[kKeptLargeBlocks];
unsigned long long keptLargeCount = 0;

size_t keptLargeTotal() {
    size_t total = 0;
    for (const KeptLarge& kept : keptLarge) total += kept.size;
    return total;
}

// The smallest kept block that suits a request of size: at least half of it
// used, so that little lies idle.
void* takeKeptLarge(size_t size) {
    SpinLock lock(keptLargeBusy);
    KeptLarge* best = nullptr;
    for (KeptLarge& kept : keptLarge) {
        if (kept.block && size <= kept.size && size >= kept.size / 2 && (!best || kept.size < best->size)) best = &kept;
    }
    if (!best) return nullptr;
    void* block = best->block;
    *best = KeptLarge();
    return block;
}

KeptLarge* freeKeptSlot() {
    for (KeptLarge& kept : keptLarge) {
        if (!kept.block) return &kept;
    }
    return nullptr;
}

KeptLarge* oldestKept() {
    KeptLarge* oldest = nullptr;
    for (KeptLarge& kept : keptLarge) {
        if (kept.block && (!oldest || kept.kept < oldest->kept)) oldest = &kept;
    }
    return oldest;
}

// Keeps a freed runtime block of size bytes, letting the oldest kept ones go
// until it has a place and the total stays within kKeptLargeTotal; false
// when its size is not one to keep.
bool keepLarge(void* p, size_t size) {
    if (size < ProgramHeap::kKeptLargeMin || size > ProgramHeap::kKeptLargeTotal) return false;
    void* released[kKeptLargeBlocks] = {};
    {
        SpinLock lock(keptLargeBusy);
        // Ends within kKeptLargeBlocks rounds: size alone fits the total.
        for (size_t round = 0; !freeKeptSlot() || keptLargeTotal() + size > ProgramHeap::kKeptLargeTotal; ++round) {
            KeptLarge* oldest = oldestKept();
            released[round] = oldest->block;
            *oldest = KeptLarge();
        }
        *freeKeptSlot() = {p, size, ++keptLargeCount};
    }
    for (void* block : released) std::free(block);
    return true;
}

void* allocate(size_t size) {
    if (size <= ProgramHeap::kLargestSmallBlock) {
        if (void* block = allocateSmall(size)) return block;
    } else if (size >= ProgramHeap::kKeptLargeMin / 2) {
        if (void* block = takeKeptLarge(size)) return block;
    }
    return std::malloc(size == 0 ? 1 : size);
}

// Frees p; size is what was asked for it, or 0 when the caller does not know.
void release(void* p, size_t size) {
    if (!p) return;
    if (ProgramHeap::ownsSmallBlock(p)) {
        freeSmall(p);
        return;
    }
    // A freed size is only looked up when the caller did not say it.
    if (size == 0) size = _msize(p);
    if (!keepLarge(p, size)) std::free(p);
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

size_t ProgramHeap::keptLargeBytes() {
    SpinLock lock(keptLargeBusy);
    return keptLargeTotal();
}

void* operator new(size_t size) { return allocateOrThrow(size); }
void* operator new[](size_t size) { return allocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void operator delete(void* p) noexcept { release(p, 0); }
void operator delete[](void* p) noexcept { release(p, 0); }
void operator delete(void* p, size_t size) noexcept { release(p, size); }
void operator delete[](void* p, size_t size) noexcept { release(p, size); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p, 0); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p, 0); }
