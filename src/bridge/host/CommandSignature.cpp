#include "bridge/host/CommandSignature.h"

#include <algorithm>

#include "bridge/values/FlashExRequest.h"
#include "tbx/CommandPaths.h"
#include "tbx/FlashExException.h"
#include "tbx/Trace.h"

namespace {

const char kMissingArgument[] = "配列のインデックスが範囲を超えています。";
const char kTypeError[] = "type error";

std::string takes(const CommandSignature& command) {
    std::string count = command.minArguments == command.maxArguments
                            ? std::to_string(command.minArguments)
                            : std::to_string(command.minArguments) + " to " + std::to_string(command.maxArguments);
    return "it takes " + count + (command.maxArguments == 1 ? " argument" : " arguments");
}

const char* kindName(ParamKind kind) {
    switch (kind) {
        case ParamKind::String:
            return "a string";
        case ParamKind::Int:
        case ParamKind::Double:
            return "a number";
        case ParamKind::Bool:
            return "a boolean";
        case ParamKind::Null:
            return "null";
        case ParamKind::Array:
            return "an array";
        case ParamKind::Object:
            return "an object";
        case ParamKind::Undefined:
            return "undefined";
        default:
            return "a handle";
    }
}

void trace(const CommandSignature& command, const std::string& what) {
    tbx::traceLine("movara: \"" + command.name + "\": " + what);
}

// A failure of a command that had paths judged names them: what a file
// error was about.
void tracePaths(const CommandSignature& command, const std::string& message) {
    const std::vector<std::string>& paths = tbx::commandPaths();
    if (paths.empty()) return;
    std::string list;
    for (const std::string& path : paths) list += (list.empty() ? "" : ", ") + path;
    trace(command, message + " (" + list + ")");
}

}  // namespace

void traceArgumentCount(const CommandSignature& command, const FlashExRequest& request) {
    size_t given = request.arguments.size();
    if (given >= command.minArguments && given <= command.maxArguments) return;
    trace(command, takes(command) + ", " + std::to_string(given) + " given" +
                       (given > command.maxArguments ? "; the rest are not read" : ""));
}

void traceCommandFailure(const CommandSignature& command, const FlashExRequest& request) noexcept {
    try {
        try {
            throw;
        } catch (const FlashExException& e) {
            std::string explanation = e.explanation();
            if (!explanation.empty()) return trace(command, explanation);
            int index = request.argumentRead;
            std::string argument = index >= 0 ? "argument " + std::to_string(index + 1) : "an argument";
            bool given = index >= 0 && static_cast<size_t>(index) < request.arguments.size();
            if (e.getMessage() == kMissingArgument && !given)
                trace(command, argument + " is missing; " + takes(command) + ", " +
                                   std::to_string(request.arguments.size()) + " given");
            else if (e.getMessage() == kMissingArgument)
                trace(command, argument + " is too short: it has no element at the place the command reads");
            else if (e.getMessage() == kTypeError && given)
                trace(command, argument + " has the wrong type: " + kindName(request.arguments.at(index)->kind()) +
                                   " was given");
            else
                tracePaths(command, e.getMessage());
        } catch (const std::exception& e) {
            tracePaths(command, e.what());
        }
    } catch (...) {
        // Only argument failures are traced here; everything else goes on as it is.
    }
}

namespace {

char folded(char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); }

// Edits (insert, delete, replace, swap two neighbours) from a to b, letter case aside.
size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t cost = folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && folded(a[i - 1]) == folded(b[j - 2]) && folded(a[i - 2]) == folded(b[j - 1]))
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

}  // namespace

std::vector<std::string> nearestCommandNames(const std::string& name, const std::vector<CommandSignature>& commands) {
    const size_t kMaxNames = 3;
    // A long name may be further off and still be the one meant.
    size_t allowed = std::max<size_t>(2, name.size() / 4);
    std::vector<std::pair<size_t, std::string>> nearby;
    for (const CommandSignature& command : commands) {
        if (name.size() > 64) break;  // no command is that long; not worth the comparisons
        size_t distance = editDistance(name, command.name);
        bool listed =
            std::any_of(nearby.begin(), nearby.end(), [&](const auto& n) { return n.second == command.name; });
        if (distance <= allowed && !listed) nearby.emplace_back(distance, command.name);
    }
    // Nearest first, then alphabetically. (stable_sort would take its buffer from
    // the nothrow new, which the mutation runs' guarded heap does not offer.)
    std::sort(nearby.begin(), nearby.end());
    std::vector<std::string> names;
    for (size_t i = 0; i < nearby.size() && i < kMaxNames; ++i) names.push_back(nearby[i].second);
    return names;
}

void traceUnknownCommand(const std::string& name, const std::vector<CommandSignature>& commands) {
    std::vector<std::string> nearby = nearestCommandNames(name, commands);
    const size_t kShownChars = 200;
    std::string shown = name.size() > kShownChars ? name.substr(0, kShownChars) + "..." : name;
    std::string text = "movara: \"" + shown + "\" is no command of this program";
    for (size_t i = 0; i < nearby.size(); ++i)
        text += (i == 0 ? "; did you mean \"" : i + 1 == nearby.size() ? " or \"" : ", \"") + nearby[i] + "\"";
    tbx::traceLine(text + (nearby.empty() ? "" : "?"));
}
