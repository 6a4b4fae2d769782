#include <windows.h>

#include "GuardedHeap.h"
#include "MovaraTest.h"
#include "tbx/Handles.h"

// The guarded heap of the long runs catches what does not crash by itself:
// each fault is done by a probe program, which must end with the fault's
// exception.
namespace {

DWORD probeExitCode(const std::string& fault) {
    std::string commandLine = "\"" + movara_test::executableDirectory() + "\\guarded_heap_probe.exe\" " + fault;
    SetEnvironmentVariableA("MOVARA_FUZZ_HEAP", "guarded");
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &process);
    SetEnvironmentVariableA("MOVARA_FUZZ_HEAP", nullptr);
    if (!started) return 0xFFFFFFFF;
    tbx::KernelHandle processHandle(process.hProcess), thread(process.hThread);
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

TEST(GuardedHeap, EveryFaultEndsTheProbeWithItsException) {
    const struct {
        const char* fault;
        DWORD code;
    } cases[] = {
        {"none", 0},
        {"slack", fuzz::kGuardedHeapFault},
        {"overrun", EXCEPTION_ACCESS_VIOLATION},
        {"useAfterFree", EXCEPTION_ACCESS_VIOLATION},
        {"doubleFree", EXCEPTION_ACCESS_VIOLATION},
    };
    for (const auto& c : cases) EXPECT_EQ(c.code, probeExitCode(c.fault)) << c.fault;
}

}  // namespace
