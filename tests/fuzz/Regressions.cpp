#include "Regressions.h"

#include "Mutator.h"

namespace fuzz {

namespace {

struct Regression {
    const char* kind;
    const char* fault;  // what the input once did
    const char* hex;    // the input, as a run keeps it in fuzz-<kind>-<N>.hex
};

const Regression kRegressions[] = {
    {"invoke", "-inf written as \"-inf\", read back as the integer 0",
     "3c696e766f6b65206e616d653d22636d64222072657475726e747970653d22786d6c223e3c617267756d656e74733e3c6e756d6265723e2d"
     "31653330392e356531303c2f6e756d6265723e3c2f617267756d656e74733e3c2f696e766f6b653e"},
    {"value", "-inf written as \"-inf\", read back as the integer 0",
     "3c6e756d6265723e2d31653330392e356531383c2f6e756d6265723e"},
    {"value", "NaN written as \"nan\", which the movie reads as NaN only when spelled \"NaN\"", "3c6e756d6265723e6e616e2e3c2f6e756d6265723e"},
    {"command", "the allowed folder, registered as a temporary folder, was deleted at exit with the denied folder "
     "inside it", "75736554656d70466f6c6465720a732e"},
    {"command", "moving a folder carried the denied folder inside it out of its rule", "6d6f766546696c650a73610a736d6f766564"},
    // {A} stands for the run's allowed folder.
    {"path", "\"...\" became \"..\" in the judged name, which opened outside the allowed folder",
     "7b417d5c2e2e2e5c4f75747369646520466f6c6465725c782e747874"},
};

}  // namespace

std::vector<std::string> regressions(const std::string& kind) {
    std::vector<std::string> inputs;
    for (const Regression& r : kRegressions)
        if (kind == r.kind) inputs.push_back(fromHex(r.hex));
    return inputs;
}

}  // namespace fuzz
