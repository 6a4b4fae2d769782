#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "MovaraTest.h"
#include "tbx/ProgramHeap.h"

// The program's operator new is the program heap's: which sizes it keeps,
// that a freed block serves the next request of its size, and that blocks
// stay aligned as operator new promises.
TEST(ProgramHeap, ServesSmallBlocksAndHandsLargeOnesToTheRuntime) {
    struct Case {
        size_t size;
        bool small;
    } cases[] = {{0, true}, {1, true}, {16, true}, {17, true}, {255, true}, {256, true}, {257, false}, {100000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        void* block = ::operator new(c.size);
        EXPECT_EQ(c.small, ProgramHeap::ownsSmallBlock(block));
        EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(block) % 16);
        std::memset(block, 0xA5, c.size);
        ::operator delete(block);
    }
    // A container's elements and a long text come from the same heap.
    auto value = std::make_unique<std::string>(40, 'x');
    EXPECT_TRUE(ProgramHeap::ownsSmallBlock(value.get()));
    EXPECT_TRUE(ProgramHeap::ownsSmallBlock(value->data()));
}

TEST(ProgramHeap, AFreedBlockIsReusedAndCounted) {
    const size_t before = ProgramHeap::smallBytesInUse();
    void* first = ::operator new(40);
    EXPECT_EQ(before + 48, ProgramHeap::smallBytesInUse());
    ::operator delete(first);
    EXPECT_EQ(before, ProgramHeap::smallBytesInUse());
    void* again = ::operator new(33);  // the same 48-byte size
    EXPECT_EQ(first, again);
    ::operator delete(again);
}

// Two threads that allocate, fill and free at once never get the same block
// and never see each other's bytes.
TEST(ProgramHeap, ThreadsNeverShareABlock) {
    auto work = [](unsigned char mark, bool* intact) {
        std::vector<unsigned char*> blocks;
        for (int round = 0; round < 200; ++round) {
            for (size_t size = 8; size <= 256; size += 8) {
                auto block = static_cast<unsigned char*>(::operator new(size));
                std::memset(block, mark, size);
                blocks.push_back(block);
            }
            for (size_t i = 0; i < blocks.size(); ++i) {
                const size_t size = 8 + (i % 32) * 8;
                for (size_t b = 0; b < size; ++b) {
                    if (blocks[i][b] != mark) *intact = false;
                }
                ::operator delete(blocks[i]);
            }
            blocks.clear();
        }
    };
    bool firstIntact = true;
    bool secondIntact = true;
    std::thread first(work, 0x11, &firstIntact);
    std::thread second(work, 0x22, &secondIntact);
    first.join();
    second.join();
    EXPECT_TRUE(firstIntact);
    EXPECT_TRUE(secondIntact);
}

namespace {

// A filter, so WINAPI: on x86 the system calls it as stdcall.
LONG WINAPI exitWithExceptionCode(EXCEPTION_POINTERS* e) { ExitProcess(e->ExceptionRecord->ExceptionCode); }

}  // namespace

// A small block freed twice ends the program at the second free, as the
// system's heap does, instead of being handed out to two owners.
TEST(ProgramHeapDeathTest, ABlockFreedTwiceEndsTheProgram) {
    EXPECT_EXIT(
        {
            SetUnhandledExceptionFilter(exitWithExceptionCode);
            void* block = ::operator new(40);
            ::operator delete(block);
            void* other = ::operator new(24);  // another size: the block stays free
            ::operator delete(block);
            ::operator delete(other);
            ExitProcess(0);
        },
        ::testing::ExitedWithCode(static_cast<int>(STATUS_HEAP_CORRUPTION)), "");
}
