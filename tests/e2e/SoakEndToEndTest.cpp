// A long-running movie must not leak: many mixed bridge calls, with the
// program's private memory and handle count compared after the first 1,000
// calls and after the last.
#include <windows.h>
// after windows.h, whose types it uses
#include <psapi.h>

#include <cstdlib>
#include <vector>

#include "MoviePrelude.h"
#include "MovaraRun.h"

using e2e::MovaraRun;
using e2e::withPrelude;

namespace {

struct Usage {
    size_t privateBytes = 0;
    DWORD handles = 0;
};

// One row of the system's handle table (SystemExtendedHandleInformation).
struct HandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT creatorBackTraceIndex;
    USHORT typeIndex;
    ULONG attributes;
    ULONG reserved;
};

// The handles the process holds, counted in the system's handle table: Wine
// answers GetProcessHandleCount for another process with 0.
DWORD handlesInSystemTable(DWORD processId) {
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
    const ULONG kSystemExtendedHandleInformation = 64;
    const LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    std::vector<char> buffer(1 << 20);
    ULONG needed = 0;
    LONG status;
    while ((status = query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           &needed)) == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return 0;
    ULONG_PTR count = *reinterpret_cast<ULONG_PTR*>(buffer.data());
    auto* entries = reinterpret_cast<HandleEntry*>(buffer.data() + 2 * sizeof(ULONG_PTR));
    DWORD held = 0;
    for (ULONG_PTR i = 0; i < count; ++i)
        if (entries[i].processId == processId) ++held;
    return held;
}

Usage usageOf(DWORD processId) {
    Usage usage;
    tbx::KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) {
        printf("soak: process %lu cannot be opened: %lu\n", processId, GetLastError());
        return usage;
    }
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        // Wine gives another process's private bytes only as its pagefile use
        // (the same figure on Windows).
        usage.privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    else
        printf("soak: no memory figures: %lu\n", GetLastError());
    if (!GetProcessHandleCount(process.get(), &usage.handles) || usage.handles == 0)
        usage.handles = handlesInSystemTable(processId);
    return usage;
}

// MOVARA_SOAK_CALLS, or 20,000 (the test command's run; scripts/soak.sh
// makes the long one).
long soakCalls() {
    const char* text = getenv("MOVARA_SOAK_CALLS");
    return text && *text ? atol(text) : 20000;
}

}  // namespace

TEST(SoakEndToEnd, ManyMixedCallsDoNotGrowMemoryOrHandles) {
    MovaraRun run;
    movara_test::makeDirectory(run.path("work"));
    run.writeSettings(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<settings><security><fileAccess>"
        "<allow access=\"rw\" match=\"dir\">" +
        run.path("work") + "</allow></fileAccess></security></settings>");
    // Calls go in batches from timers so that the window keeps running; after
    // the first 1,000 the movie waits for the file "go" while the test looks.
    run.writeMovie(withPrelude(R"JS(
var total = )JS" + std::to_string(soakCalls()) +
                               R"JS(;
var work = call("getAppPath") + "work\\";
var calls = 0;
var marked = false;
function round(i) {
  var file = work + "f" + (i % 8) + ".txt";
  call("saveTextFile", file, "表 text " + i, "UTF-8");
  call("loadTextFile", file, "UTF-8");
  var handle = call("openDir", work + "*.txt");
  call("readDir", handle);
  call("closeDir", handle);
  call("getFileNames", work, ["*.txt", "*.bin"]);
  call("noSuchCommand", [i, "two", i + 0.5, {n: null, t: true, f: false, s: "表"}], {a: [true, [1, 2]]});
  call("getFileSize", file);
  calls += 8;
}
function step() {
  if (!marked && calls >= 1000) {
    marked = true;
    trace("mark " + calls);
    waitForGo();
    return;
  }
  for (var k = 0; k < 25 && calls < total; ++k) round(calls);
  if (calls < total) setTimeout(step, 0); else trace("done " + calls);
}
function waitForGo() {
  if (call("fileExists", work + "go")) setTimeout(step, 0); else setTimeout(waitForGo, 20);
}
setTimeout(step, 0);
)JS"));
    run.start();
    ASSERT_FALSE(run.waitForTrace("mark").empty());
    Usage early = usageOf(run.processId());
    movara_test::writeBytes(run.path("work\\go"), "");
    std::string done = run.waitForTrace("done", 1800000);
    ASSERT_FALSE(done.empty());
    Usage late = usageOf(run.processId());
    RecordProperty("private_early", std::to_string(early.privateBytes));
    RecordProperty("private_late", std::to_string(late.privateBytes));
    RecordProperty("handles_early", std::to_string(early.handles));
    RecordProperty("handles_late", std::to_string(late.handles));
    printf("soak: %s; private bytes %zu -> %zu; handles %lu -> %lu\n", done.c_str(), early.privateBytes,
           late.privateBytes, early.handles, late.handles);
    // A figure that could not be read would compare 0 with 0.
    ASSERT_GT(early.privateBytes, 0u);
    ASSERT_GT(late.privateBytes, 0u);
    ASSERT_GT(early.handles, 0u) << "the program's handles could not be counted";
    ASSERT_GT(late.handles, 0u) << "the program's handles could not be counted";
    EXPECT_LE(late.privateBytes, early.privateBytes + early.privateBytes / 10);
    EXPECT_LE(late.handles, early.handles + early.handles / 10);
}
