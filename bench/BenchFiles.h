#pragma once
#include <string>

// Where benchmark data lives: the folder in MOVARA_BENCH_DATA (scripts/bench.sh
// sets one that the native references can reach too), else the temporary
// folder. Ends with a backslash; made when missing.
namespace bench {

std::string dataFolder();
// Writes bytes to path, replacing it.
void writeFile(const std::string& path, const std::string& bytes);
// The folder below the data folder holding `folders` folders of `files` files
// of `size` bytes each; made on first use and kept for later runs.
std::string fileTree(const std::string& name, int folders, int files, size_t size);

}  // namespace bench
