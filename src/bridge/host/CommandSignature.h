#pragma once
#include <string>
#include <vector>

struct FlashExRequest;

// What a command takes: its name and how many arguments, the optional ones
// trailing. The command reference is checked against these.
struct CommandSignature {
    std::string name;
    unsigned minArguments = 0;
    unsigned maxArguments = 0;
};

// Writes a trace line when the request gives fewer arguments than the
// command needs or more than it reads; the command then runs as always.
void traceArgumentCount(const CommandSignature& command, const FlashExRequest& request);
// Call inside a catch block: when the failure being handled is an argument
// failure (one missing or of the wrong type), writes a trace line naming the
// command and the argument. Never throws.
void traceArgumentFailure(const CommandSignature& command, const FlashExRequest& request) noexcept;
