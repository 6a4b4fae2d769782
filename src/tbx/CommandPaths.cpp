#include "tbx/CommandPaths.h"

#include <windows.h>

#include <map>

namespace tbx {

namespace {

// Kept per thread id under a lock rather than in a thread_local: a
// thread_local with a destructor made the process hang in exit under this
// runtime once a thread that had used it was gone.
SRWLOCK lock = SRWLOCK_INIT;

std::map<DWORD, std::vector<std::string>>& pathsByThread() {
    static std::map<DWORD, std::vector<std::string>> paths;
    return paths;
}

std::vector<std::string>& threadPaths() { return pathsByThread()[GetCurrentThreadId()]; }

}  // namespace

void beginCommandPaths() {
    AcquireSRWLockExclusive(&lock);
    threadPaths().clear();
    ReleaseSRWLockExclusive(&lock);
}

void noteCommandPath(const std::string& path) {
    // A command that judges a whole tree keeps the first few, which name it.
    const size_t kKept = 4;
    AcquireSRWLockExclusive(&lock);
    std::vector<std::string>& paths = threadPaths();
    if (paths.size() < kKept) paths.push_back(path);
    ReleaseSRWLockExclusive(&lock);
}

std::vector<std::string> commandPaths() {
    AcquireSRWLockExclusive(&lock);
    std::vector<std::string> paths = threadPaths();
    ReleaseSRWLockExclusive(&lock);
    return paths;
}

}  // namespace tbx
