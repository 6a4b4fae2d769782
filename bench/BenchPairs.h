#pragma once
#include <string>

#include <benchmark/benchmark.h>

// Every benchmark is one side of a pair named "job:size:movara" or
// "job:size:floor"; scripts/bench.sh divides the two and compares the ratio
// with the job's goal. bytes (when known) sets the throughput counter.
namespace bench {

inline std::string pairName(const std::string& job, const std::string& size, const char* side) {
    return job + ":" + size + ":" + side;
}

}  // namespace bench
