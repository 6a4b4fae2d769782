#include "GuardedHeap.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

const size_t kAlignment = 16;
const uint64_t kMagic = 0x4D6F7661476F6F64ull;
const unsigned char kSlackByte = 0xAB;
const size_t kQuarantine = 8192;  // freed blocks kept inaccessible

// In front of every guarded block, in its first committed page.
struct Header {
    uint64_t magic;
    size_t size;
};

bool enabled() {
    static const bool on = [] {
        const char* mode = getenv("MOVARA_FUZZ_HEAP");
        return mode && strcmp(mode, "guarded") == 0;
    }();
    return on;
}

size_t pageSize() {
    static const size_t size = [] {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return static_cast<size_t>(info.dwPageSize);
    }();
    return size;
}

SRWLOCK quarantineLock = SRWLOCK_INIT;
void* quarantine[kQuarantine];  // the bases of freed blocks, oldest next
size_t quarantineNext = 0;

// A fault the heap found itself: raised as an exception nobody handles, so
// the run's crash filter keeps the input.
[[noreturn]] void heapFault() {
    RaiseException(fuzz::kGuardedHeapFault, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    abort();
}

void* guardedAllocate(size_t size) {
    if (size > SIZE_MAX / 4) return nullptr;  // beyond any address space; the rounding below could wrap
    const size_t page = pageSize();
    const size_t rounded = (size + kAlignment - 1) / kAlignment * kAlignment + sizeof(Header);
    const size_t committed = (rounded + page - 1) / page * page;
    auto base = static_cast<unsigned char*>(VirtualAlloc(nullptr, committed + page, MEM_RESERVE, PAGE_NOACCESS));
    if (!base) return nullptr;
    if (!VirtualAlloc(base, committed, MEM_COMMIT, PAGE_READWRITE)) {
        VirtualFree(base, 0, MEM_RELEASE);
        return nullptr;
    }
    unsigned char* block = base + committed - (rounded - sizeof(Header));
    Header* header = reinterpret_cast<Header*>(block) - 1;
    header->magic = kMagic;
    header->size = size;
    memset(block + size, kSlackByte, rounded - sizeof(Header) - size);
    return block;
}

void guardedFree(void* pointer) {
    auto block = static_cast<unsigned char*>(pointer);
    Header* header = reinterpret_cast<Header*>(block) - 1;  // faults after a first free
    if (header->magic != kMagic) heapFault();               // not a block of this heap
    const size_t page = pageSize();
    const size_t size = header->size;
    const size_t rounded = (size + kAlignment - 1) / kAlignment * kAlignment;
    for (size_t i = size; i < rounded; ++i)
        if (block[i] != kSlackByte) heapFault();  // written past its end
    auto base = reinterpret_cast<unsigned char*>(reinterpret_cast<uintptr_t>(header) / page * page);
    const size_t committed = static_cast<size_t>(block + rounded - base);
    VirtualFree(base, committed, MEM_DECOMMIT);
    AcquireSRWLockExclusive(&quarantineLock);
    void* released = std::exchange(quarantine[quarantineNext], base);
    quarantineNext = (quarantineNext + 1) % kQuarantine;
    ReleaseSRWLockExclusive(&quarantineLock);
    if (released) VirtualFree(released, 0, MEM_RELEASE);
}

void* allocate(size_t size) {
    void* block = enabled() ? guardedAllocate(size) : malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}

void release(void* block) {
    if (!block) return;
    if (enabled())
        guardedFree(block);
    else
        free(block);
}

}  // namespace

namespace fuzz {

bool guardedHeapInUse() { return enabled(); }

}  // namespace fuzz

void* operator new(size_t size) { return allocate(size); }
void* operator new[](size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, size_t) noexcept { release(block); }
void operator delete[](void* block, size_t) noexcept { release(block); }
