#include <windows.h>

#include <cstring>

#include "GuardedHeap.h"

// Does one faulty thing with the heap, named by the first argument, and ends
// with the code of the exception that stopped it (0 when nothing did), so
// that a test can see the guarded heap catch each fault.
namespace {

LONG WINAPI exitWithCode(EXCEPTION_POINTERS* info) {
    TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
    return EXCEPTION_CONTINUE_SEARCH;
}

// Kept out of the optimiser's sight, so each fault happens as written.
template <typename T>
T* opaque(T* pointer) {
    asm volatile("" : "+r"(pointer));
    return pointer;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !fuzz::guardedHeapInUse()) return 2;
    SetUnhandledExceptionFilter(exitWithCode);
    const char* fault = argv[1];
    if (strcmp(fault, "none") == 0) {
        char* block = opaque(new char[21]);
        memset(block, 1, 21);
        delete[] block;
    } else if (strcmp(fault, "slack") == 0) {  // past the end, inside the 16-byte boundary
        char* block = opaque(new char[5]);
        block[5] = 1;
        delete[] block;
    } else if (strcmp(fault, "overrun") == 0) {  // past the end, onto the guard page
        char* block = opaque(new char[32]);
        block[32] = 1;
    } else if (strcmp(fault, "useAfterFree") == 0) {
        int* value = opaque(new int(1));
        delete value;
        *opaque(value) = 2;
    } else if (strcmp(fault, "doubleFree") == 0) {
        int* value = opaque(new int(1));
        delete value;
        delete opaque(value);
    } else {
        return 2;
    }
    return 0;
}
