#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// A small, fast generator whose sequence depends only on its seed, so that a
// run can be repeated input for input.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next();
    // A number in [0, bound); 0 when bound is 0.
    size_t below(size_t bound) { return bound ? static_cast<size_t>(next() % bound) : 0; }

private:
    uint64_t state_;
};

enum class Mutation { BitFlip, Insert, Erase, Splice, BoundaryNumber, Truncate, Repeat, Count };

// Makes hostile inputs from valid ones: each input is a corpus entry changed
// by one to four mutations (bit flips, byte insertions and deletions, splices
// with another entry, boundary numbers written over length fields in binary
// or as digits, truncation, repetition of a range). Inputs are capped so that
// repetition cannot grow them without end.
class Mutator {
public:
    Mutator(uint64_t seed, std::vector<std::string> corpus, size_t maxSize = 1 << 16);
    std::string next();
    void apply(Mutation mutation, std::string& data);
    // Takes an input that reached new code as a further entry to mutate.
    void add(std::string entry) { corpus_.push_back(std::move(entry)); }
    size_t corpusSize() const { return corpus_.size(); }

private:
    void writeBoundaryNumber(std::string& data);
    Random random_;
    std::vector<std::string> corpus_;
    size_t maxSize_;
};

// The bytes as hexadecimal text, and back: the form regression cases keep.
std::string toHex(const std::string& bytes);
std::string fromHex(const std::string& hex);

}  // namespace fuzz
