#pragma once
#include <string>

// The invoke texts the bridge benchmarks share. Plain ASCII, so a parser
// reading the bytes as UTF-8 sees the same characters as the bridge.
namespace bench {

// "name" with three arguments: a string, a number and a boolean.
std::string smallInvoke(const std::string& name);
// One array argument of count numbers.
std::string numberArrayInvoke(const std::string& name, int count);
// One object argument of count string properties.
std::string stringObjectInvoke(const std::string& name, int count);
// One string argument of size bytes.
std::string bigStringInvoke(const std::string& name, size_t size);

}  // namespace bench
