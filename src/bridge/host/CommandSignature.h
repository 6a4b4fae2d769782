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
// Call inside a catch block: writes a trace line naming the command when the
// failure being handled is about an argument (one missing or of the wrong
// type: which one) or explains itself (a refusal by the policy: the access,
// the path as judged and the rule). Never throws.
void traceCommandFailure(const CommandSignature& command, const FlashExRequest& request) noexcept;
