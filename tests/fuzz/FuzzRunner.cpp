#include "FuzzRunner.h"

#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "CoverageMap.h"
#include "GuardedHeap.h"
#include "Mutator.h"

namespace fuzz {

namespace {

// What the watchdog and the crash filter need to keep the input at fault.
struct Current {
    std::mutex lock;
    std::string kind;
    std::string input;
    std::atomic<ULONGLONG> startedAt{0};  // 0 between inputs
    std::atomic<ULONGLONG> cpuAtStart{0};  // the running thread's CPU time then, in 100 ns units
    std::atomic<unsigned> limitMs{10000};
    HANDLE thread = nullptr;  // the thread that runs the inputs
};

Current& current() {
    static Current* c = new Current;  // never destroyed: the watchdog outlives every test
    return *c;
}

void keepInput(const std::string& file, const std::string& input) {
    if (FILE* out = fopen(file.c_str(), "wb")) {
        std::string hex = toHex(input);
        fwrite(hex.data(), 1, hex.size(), out);
        fclose(out);
    }
}

// Runs when the process may have no memory or stack to spare (a crash, or
// the guarded heap's fault): nothing here allocates.
void keepCurrentAndEnd(const char* what) {
    Current& c = current();
    char file[160];
    snprintf(file, sizeof file, "fuzz-%s-last.hex", c.kind.c_str());
    HANDLE out = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
        static const char kDigits[] = "0123456789abcdef";
        char chunk[512];
        size_t used = 0;
        DWORD written = 0;
        for (unsigned char byte : c.input) {
            chunk[used++] = kDigits[byte >> 4];
            chunk[used++] = kDigits[byte & 15];
            if (used == sizeof chunk) {
                WriteFile(out, chunk, static_cast<DWORD>(used), &written, nullptr);
                used = 0;
            }
        }
        if (used) WriteFile(out, chunk, static_cast<DWORD>(used), &written, nullptr);
        CloseHandle(out);
    }
    fprintf(stderr, "fuzz %s: %s; input kept in %s\n", c.kind.c_str(), what, file);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
}

ULONGLONG cpuTime(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!thread || !GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0;
    auto value = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return value(kernel) + value(user);
}

// An input may use its limit in CPU time: on a loaded machine its wall time
// can be far longer. One that waits for something without using the CPU is
// stopped after six times the limit.
DWORD WINAPI watchdog(void*) {
    Current& c = current();
    for (;;) {
        Sleep(250);
        ULONGLONG started = c.startedAt.load();
        if (!started) continue;
        ULONGLONG limit = c.limitMs.load();
        ULONGLONG cpuMs = (cpuTime(c.thread) - c.cpuAtStart.load()) / 10000;
        if (cpuMs > limit || GetTickCount64() - started > 6 * limit) keepCurrentAndEnd("an input ran too long");
    }
}

LONG WINAPI crashFilter(EXCEPTION_POINTERS* info) {
    char what[128];
    if (info->ExceptionRecord->ExceptionCode == kGuardedHeapFault)
        snprintf(what, sizeof what, "the guarded heap found a block written past its end or freed twice");
    else
        snprintf(what, sizeof what, "crash 0x%08lx", info->ExceptionRecord->ExceptionCode);
    keepCurrentAndEnd(what);
    return EXCEPTION_CONTINUE_SEARCH;
}

void startGuards() {
    static bool started = false;
    if (started) return;
    started = true;
    SetUnhandledExceptionFilter(crashFilter);
    CloseHandle(CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr));
}

const size_t kMaxCorpusGrowth = 10000;

std::string checked(const Check& check, const std::string& input) {
    Current& c = current();
    {
        std::lock_guard<std::mutex> hold(c.lock);
        c.input = input;
    }
    c.cpuAtStart = cpuTime(c.thread);
    c.startedAt = GetTickCount64();
    std::string failure;
    try {
        failure = check(input);
    } catch (const std::bad_alloc&) {
        failure = "out of memory";
    } catch (const std::exception& e) {
        failure = std::string("escaped exception: ") + e.what();
    } catch (...) {
        failure = "escaped exception of an unknown type";
    }
    c.startedAt = 0;
    return failure;
}

void note(RunReport& report, const char* kind, const std::string& label, const std::string& failure,
          const std::string& input) {
    std::string file = std::string("fuzz-") + kind + "-" + label + ".hex";
    keepInput(file, input);
    std::string hex = toHex(input.substr(0, 256));
    report.failures.push_back(label + ": " + failure + "; kept in " + file + "; starts " + hex);
}

}  // namespace

size_t inputsPerKind(size_t shortRun) {
    const char* text = getenv("MOVARA_FUZZ_INPUTS");
    return text && *text ? strtoull(text, nullptr, 10) : shortRun;
}

uint64_t runSeed() {
    const char* text = getenv("MOVARA_FUZZ_SEED");
    return text && *text ? strtoull(text, nullptr, 10) : 19;
}

size_t privateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    // Wine answers PrivateUsage 0; its PagefileUsage is the same figure.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

RunReport run(const char* kind, const std::vector<std::string>& corpus, const std::vector<std::string>& regressions,
              const Check& check, size_t total, unsigned timeLimitMs, size_t memoryGrowthLimit) {
    startGuards();
    current().kind = kind;
    current().limitMs = timeLimitMs;
    if (!current().thread)
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &current().thread, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
    RunReport report;
    Coverage coverage;
    auto runOne = [&](const std::string& input) {
        coverage.startInput();
        std::string failure = checked(check, input);
        bool reachedNew = coverage.endInput();
        return std::make_pair(failure, reachedNew);
    };
    for (size_t i = 0; i < regressions.size(); ++i) {
        std::string failure = runOne(regressions[i]).first;
        if (!failure.empty()) note(report, kind, "regression" + std::to_string(i), failure, regressions[i]);
    }
    for (size_t i = 0; i < corpus.size(); ++i) {
        std::string failure = runOne(corpus[i]).first;
        if (!failure.empty()) note(report, kind, "corpus" + std::to_string(i), failure, corpus[i]);
    }
    uint64_t kindSeed = 1469598103934665603ull;  // FNV-1a of the kind: each kind has its own sequence
    for (const char* k = kind; *k; ++k) kindSeed = (kindSeed ^ static_cast<unsigned char>(*k)) * 1099511628211ull;
    Mutator mutator(runSeed() ^ kindSeed, corpus);
    size_t warmUp = total / 10;
    size_t corpusGrowth = 0;  // bytes the corpus gained after warm-up: kept on purpose
    // MOVARA_FUZZ_GUIDED=0 counts edges without keeping inputs, to measure what guidance adds.
    const char* guidance = getenv("MOVARA_FUZZ_GUIDED");
    const bool guided = !guidance || strcmp(guidance, "0") != 0;
    for (size_t i = 0; i < total && report.failures.size() < 20; ++i) {
        if (i == warmUp) report.privateAfterWarmUp = privateBytes();
        std::string input = mutator.next();
        auto result = runOne(input);
        if (!result.first.empty())
            note(report, kind, std::to_string(i), result.first, input);
        else if (result.second && guided && report.corpusAdded < kMaxCorpusGrowth) {
            if (i >= warmUp) corpusGrowth += input.size();
            mutator.add(input);
            ++report.corpusAdded;
        }
        report.inputs = i + 1;
        if (total >= 100000 && report.inputs % (total / 10) == 0) {
            const size_t megabytes = privateBytes() >> 20;
            if (coverage.edges())
                printf("fuzz %s: %zu inputs, %zu MB private, %zu edges, corpus %zu\n", kind, report.inputs, megabytes,
                       coverage.edges(), mutator.corpusSize());
            else
                printf("fuzz %s: %zu inputs, %zu MB private\n", kind, report.inputs, megabytes);
            fflush(stdout);
        }
    }
    report.edges = coverage.edges();
    if (guardedHeapInUse()) printf("fuzz %s: every C++ allocation guarded\n", kind);
    if (report.edges)
        printf("fuzz %s: %zu inputs, %zu edges reached, %zu inputs kept for reaching new code\n", kind,
               report.inputs, report.edges, report.corpusAdded);
    else
        printf("fuzz %s: %zu inputs\n", kind, report.inputs);
    fflush(stdout);
    report.privateAtEnd = privateBytes();
    if (report.privateAtEnd > report.privateAfterWarmUp + memoryGrowthLimit + corpusGrowth)
        report.failures.push_back("private memory grew from " + std::to_string(report.privateAfterWarmUp) + " to " +
                                  std::to_string(report.privateAtEnd) + " bytes");
    return report;
}

}  // namespace fuzz
