#include "MovaraTest.h"

#include <stdexcept>

#include "app/CrashDump.h"
#include "app/CrashGuard.h"

using movara_test::ScratchDir;

namespace {

// Points GetTempPathA at a scratch folder for the life of the object.
class TempRedirect {
public:
    explicit TempRedirect(const std::string& folder) {
        char old[MAX_PATH] = "";
        hadOld_ = GetEnvironmentVariableA("TMP", old, sizeof(old)) > 0;
        old_ = old;
        SetEnvironmentVariableA("TMP", folder.c_str());
    }
    ~TempRedirect() { SetEnvironmentVariableA("TMP", hadOld_ ? old_.c_str() : nullptr); }

private:
    bool hadOld_;
    std::string old_;
};

std::string programName() {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string path = module;
    return path.substr(path.rfind('\\') + 1);
}

std::string longForm(const std::string& path) {
    char buffer[MAX_PATH];
    GetLongPathNameA(path.c_str(), buffer, sizeof(buffer));
    return buffer;
}

// A real exception record and context, as a filter would receive them.
struct FakeCrash {
    EXCEPTION_RECORD record = {};
    CONTEXT context = {};
    EXCEPTION_POINTERS pointers = {&record, &context};
    FakeCrash() {
        RtlCaptureContext(&context);
        record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
#ifdef _WIN64
        record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
#else
        record.ExceptionAddress = reinterpret_cast<void*>(context.Eip);
#endif
    }
};

// Fault below a frame with a destructor, as crashed code in the program does.
void accessViolation() {
    std::string alive = "a frame with a destructor";
    volatile int* nowhere = nullptr;
    *nowhere = static_cast<int>(alive.size());
}

void ownException() {
    std::string alive = "a frame with a destructor";
    RaiseException(0xE0000042, 0, 0, nullptr);
}

void nonContinuableException() { RaiseException(0xE0000043, EXCEPTION_NONCONTINUABLE, 0, nullptr); }

// A thread's start, so WINAPI: on x86 the system calls it as stdcall.
DWORD WINAPI faultingThread(void*) {
    accessViolation();
    return 0;
}

// The guarded thread waits while a thread it started faults.
void accessViolationOnAnotherThread() {
    HANDLE thread = CreateThread(nullptr, 0, faultingThread, nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

}  // namespace

TEST(CrashDumpName, FollowsThePattern) {
    SYSTEMTIME time = {};
    time.wYear = 2009, time.wMonth = 10, time.wDay = 27, time.wHour = 15, time.wMinute = 30, time.wSecond = 5;
    EXPECT_EQ(crashDumpFileName("C:\\users\\me\\Temp\\", "Movara.exe", time, 1234, 5678),
              "C:\\users\\me\\Temp\\Movara.exe\\v1.0-20091027-153005-1234-5678.dmp");
    // A path beyond the 260-byte buffer is cut, not overrun.
    std::string longName = crashDumpFileName("C:\\" + std::string(300, 'x') + "\\", "Movara.exe", time, 1, 2);
    EXPECT_EQ(longName.size(), 259u);
}

TEST(CrashDumpMessage, NamesThePathOrFallsBack) {
    // Narrow literals are compiled to Shift_JIS, as the program's texts are.
    EXPECT_EQ(crashMessage("C:\\t\\a.dmp"), "エラーが発生しました。エラー情報はC:\\t\\a.dmpに格納されています。");
    EXPECT_EQ(crashMessage(""), "システムエラーが発生しました。");
}

TEST(CrashDumpWriter, WritesAMiniDumpIntoTheProgramFolderUnderTemp) {
    ScratchDir scratch;
    TempRedirect redirect(scratch.path() + "\\");
    CrashDumpWriter writer;
    FakeCrash crash;
    EXPECT_EQ(writer.write(&crash.pointers), EXCEPTION_EXECUTE_HANDLER);

    std::string folder = longForm(scratch.path()) + "\\" + programName() + "\\";
    ASSERT_EQ(writer.dumpPath().compare(0, folder.size(), folder), 0) << writer.dumpPath();
    std::string name = writer.dumpPath().substr(folder.size());
    std::string suffix =
        "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetCurrentThreadId()) + ".dmp";
    EXPECT_EQ(name.compare(0, 5, "v1.0-"), 0) << name;
    EXPECT_EQ(name.size(), 5 + 8 + 1 + 6 + suffix.size()) << name;
    EXPECT_EQ(name.substr(name.size() - suffix.size()), suffix);
    EXPECT_EQ(movara_test::readBytes(writer.dumpPath()).substr(0, 4), "MDMP");
}

TEST(CrashDumpWriter, WithoutTheDumpLibraryWritesNothing) {
    ScratchDir scratch;
    TempRedirect redirect(scratch.path() + "\\");
    CrashDumpWriter writer("no_such_dbghelp.dll");
    FakeCrash crash;
    EXPECT_EQ(writer.write(&crash.pointers), EXCEPTION_EXECUTE_HANDLER);
    EXPECT_TRUE(writer.dumpPath().empty());
    EXPECT_FALSE(movara_test::directoryExists(scratch / programName()));
}

TEST(CrashDumpWriter, AfterAFailedAttemptComputesAFreshPath) {
    ScratchDir scratch;
    TempRedirect redirect(scratch.path() + "\\");
    // A file where the dump folder belongs makes the file creation fail.
    movara_test::writeBytes(scratch / programName(), "blocker");
    CrashDumpWriter writer;
    FakeCrash crash;
    EXPECT_EQ(writer.write(&crash.pointers), EXCEPTION_EXECUTE_HANDLER);
    EXPECT_TRUE(writer.dumpPath().empty());

    DeleteFileA((scratch / programName()).c_str());
    EXPECT_EQ(writer.write(&crash.pointers), EXCEPTION_EXECUTE_HANDLER);
    ASSERT_FALSE(writer.dumpPath().empty());
    EXPECT_TRUE(movara_test::fileExists(writer.dumpPath()));
}

// A crash ends the process, so these run the guard in a child process of the
// test; what its afterCrash finds goes to the standard error for the parent.
void say(const std::string& text) {
    std::string line = text + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(CrashGuardDeathTest, AnExceptionNoOneHandlesWritesTheDumpAndEndsTheProcessWithItsCode) {
    ScratchDir scratch;
    TempRedirect redirect(scratch.path() + "\\");
    EXPECT_EXIT(
        {
            std::string suffix =
                "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetCurrentThreadId()) + ".dmp";
            CrashGuard guard([&](const std::string& dump) {
                bool written = endsWith(dump, suffix) && movara_test::readBytes(dump).substr(0, 4) == "MDMP";
                say(written ? "dump written" : "no dump at " + dump);
            });
            guard.run([] {
                accessViolation();
                say("ran on");
            });
        },
        ::testing::ExitedWithCode(static_cast<int>(EXCEPTION_ACCESS_VIOLATION)), "dump written");
}

TEST(CrashGuard, ExceptionsThatAHandlerTakesNeverReachIt) {
    bool told = false;
    CrashGuard guard([&](const std::string&) { told = true; });
    bool bad = false;
    // IsBadReadPtr of memory that is not there faults inside and answers TRUE
    // from its own handler (Wine answers a null pointer without touching it).
    void* hole = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
    guard.run([&] { bad = IsBadReadPtr(hole, 4) != FALSE; });
    EXPECT_TRUE(bad);
    VirtualFree(hole, 0, MEM_RELEASE);
    std::string caught;
    guard.run([&] {
        try {
            throw std::runtime_error("caught inside");
        } catch (const std::exception& e) {
            caught = e.what();
        }
    });
    EXPECT_EQ(caught, "caught inside");
    EXPECT_FALSE(told);
}

// Any exception no one handles ends the process with its own code, after
// afterCrash, without the dump library too (and so quickly); a fault in
// afterCrash itself ends it at once with the crash's code.
TEST(CrashGuardDeathTest, EveryUnhandledCodeEndsTheProcessEvenWithoutTheDumpLibrary) {
    ScratchDir scratch;
    TempRedirect redirect(scratch.path() + "\\");
    struct Case {
        const char* what;
        void (*crash)();
        DWORD code;
        bool afterCrashFaults;
    } cases[] = {
        {"access violation", accessViolation, EXCEPTION_ACCESS_VIOLATION, false},
        {"an exception of the program's own", ownException, 0xE0000042, false},
        {"a non-continuable exception", nonContinuableException, 0xE0000043, false},
        {"a fault while it is ended", ownException, 0xE0000042, true},
        {"a fault on another thread", accessViolationOnAnotherThread, EXCEPTION_ACCESS_VIOLATION, false},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(
            {
                CrashGuard guard(
                    [&](const std::string& dump) {
                        say(crashMessage(dump) == "システムエラーが発生しました。" ? "generic message" : dump);
                        if (c.afterCrashFaults) accessViolation();
                        say("cleaned up");
                    },
                    "no_such_dbghelp.dll");
                guard.run([&] {
                    c.crash();
                    say("ran on");
                });
            },
            ::testing::ExitedWithCode(static_cast<int>(c.code)),
            c.afterCrashFaults ? "generic message\n$" : "generic message\ncleaned up\n$")
            << c.what;
    }
}
