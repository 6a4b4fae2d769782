#include "tbx/CommandPaths.h"

namespace tbx {

namespace {

thread_local std::vector<std::string> paths;

}  // namespace

void beginCommandPaths() { paths.clear(); }

void noteCommandPath(const std::string& path) {
    // A command that judges a whole tree keeps the first few, which name it.
    const size_t kKept = 4;
    if (paths.size() < kKept) paths.push_back(path);
}

const std::vector<std::string>& commandPaths() { return paths; }

}  // namespace tbx
