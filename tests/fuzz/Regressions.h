#pragma once
#include <string>
#include <vector>

namespace fuzz {

// The inputs of a kind that once failed a run, replayed before every run.
std::vector<std::string> regressions(const std::string& kind);

}  // namespace fuzz
