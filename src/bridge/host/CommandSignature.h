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
// Writes a trace line for a command name that no service answers, naming
// the commands nearest to it in spelling ("did you mean ...").
void traceUnknownCommand(const std::string& name, const std::vector<CommandSignature>& commands);
// The names of commands within a few edits of name (letter case aside),
// nearest first, at most three.
std::vector<std::string> nearestCommandNames(const std::string& name, const std::vector<CommandSignature>& commands);

// Call inside a catch block: writes a trace line naming the command when the
// failure being handled is about an argument (one missing or of the wrong
// type: which one) or explains itself (a refusal by the policy: the access,
// the path as judged and the rule), and any other failure of a command that
// had paths judged, with those paths. Never throws.
void traceCommandFailure(const CommandSignature& command, const FlashExRequest& request) noexcept;
