#include "services/shell/ProgramPath.h"

#include <windows.h>

#include <cstring>

#include "tbx/FlashExException.h"
#include "tbx/PathString.h"

namespace {

std::vector<std::string> candidatesOf(const std::string& commandLine) {
    std::vector<std::string> candidates;
    // The search walks by characters, so a trail byte is never taken for a blank.
    for (size_t blank = tbx::find_character(commandLine, ' '); blank != std::string::npos;
         blank = tbx::find_character(commandLine, ' ', blank + 1))
        candidates.push_back(commandLine.substr(0, blank));
    candidates.push_back(commandLine);
    return candidates;
}

ProgramInLine found(const std::string& text, const std::vector<ProgramSearch>& passes) {
    for (const ProgramSearch& search : passes) {
        std::string file = findProgram(text, search);
        if (!file.empty()) return {text, file};
    }
    return {text, std::string()};
}

// Calls visit for each character of text (a lead and trail byte together),
// with whether it lies inside double quotation marks; stops when visit does.
template <typename Visit>
bool anyCharacter(const std::string& text, Visit visit) {
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (tbx::is_lead_byte(text[i]) && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (text[i] == '"') quoted = !quoted;
        if (visit(text[i], quoted)) return true;
    }
    return false;
}

bool holdsOperator(const std::string& reading) {
    return anyCharacter(reading, [](char c, bool quoted) {
        if (c == '%' || c == '\r' || c == '\n') return true;
        return !quoted && c != '\0' && std::strchr("&|<>()^", c) != nullptr;
    });
}

bool isWordDelimiter(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '=' || c == '/'; }

// The first word of a reading as the command processor takes it, without
// its quotation marks.
std::string firstWord(const std::string& reading) {
    size_t start = 0;
    while (start < reading.size() && isWordDelimiter(reading[start]) && reading[start] != '/') ++start;
    std::string word;
    bool quoted = false;
    for (size_t i = start; i < reading.size(); ++i) {
        char c = reading[i];
        if (tbx::is_lead_byte(c) && i + 1 < reading.size()) {
            word += c;
            word += reading[++i];
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && isWordDelimiter(c)) break;
        word += c;
    }
    return word;
}

// The command processor's own commands. It takes one off the front of a
// word that goes on with one of ". \ + [ ] :" as well ("cd..", "echo.",
// "del.\x"), where the rest of the word is its argument.
bool startsWithBuiltIn(const std::string& word) {
    static const char* const kBuiltIns[] = {
        "assoc",    "break",  "call",  "cd",   "chdir",    "cls",    "color",  "copy",   "date",
        "del",      "dir",    "dpath", "echo", "endlocal", "erase",  "exit",   "for",    "ftype",
        "goto",     "if",     "keys",  "md",   "mkdir",    "mklink", "move",   "path",   "pause",
        "popd",     "prompt", "pushd", "rd",   "rem",      "ren",    "rename", "rmdir",  "set",
        "setlocal", "shift",  "start", "time", "title",    "type",   "ver",    "verify", "vol"};
    size_t end = 0;
    while (end < word.size() && !tbx::is_lead_byte(word[end]) && !std::strchr(".\\+[]:", word[end])) ++end;
    if (end < word.size() && tbx::is_lead_byte(word[end])) return false;  // a name no built-in has
    std::string name = word.substr(0, end);
    for (const char* builtIn : kBuiltIns)
        if (lstrcmpiA(name.c_str(), builtIn) == 0) return true;
    return false;
}

size_t quotationMarks(const std::string& line) {
    size_t count = 0;
    anyCharacter(line, [&count](char c, bool) {
        count += c == '"';
        return false;
    });
    return count;
}

// The line without its first character and its last quotation mark.
std::string withoutOuterQuotes(const std::string& line) {
    std::string inner = line.substr(1);
    size_t last = tbx::find_last_character(inner, '"');
    if (last != std::string::npos) inner.erase(last, 1);
    return inner;
}

// The processor keeps a line's quotation marks only when it has exactly two,
// around a program name with a blank in it and no operator.
bool keepsOuterQuotes(const std::string& line, bool programFound) {
    if (quotationMarks(line) != 2 || !programFound) return false;
    size_t closing = tbx::find_character(line, '"', 1);
    std::string between = line.substr(1, closing - 1);
    return between.find_first_of(" \t") != std::string::npos && between.find_first_of("&<>()@^|") == std::string::npos;
}

}  // namespace

ProgramInLine programInLine(const std::string& commandLine, const std::vector<ProgramSearch>& passes) {
    if (commandLine.size() <= 2) return found(commandLine, passes);
    if (commandLine[0] == '"') {
        size_t closing = tbx::find_character(commandLine, '"', 1);
        if (closing == std::string::npos) throw FlashExException("実行コマンド文字列の形式が不正です。");
        return found(commandLine.substr(1, closing - 1), passes);
    }
    std::vector<std::string> candidates = candidatesOf(commandLine);
    for (const ProgramSearch& search : passes)
        for (const std::string& candidate : candidates) {
            std::string file = findProgram(candidate, search);
            if (!file.empty()) return {candidate, file};
        }
    return {commandLine, std::string()};
}

bool commandProcessorRunsMore(const std::string& line, const std::string& program, bool programFound) {
    bool startsQuoted = !line.empty() && line[0] == '"';
    std::string stripped = startsQuoted ? withoutOuterQuotes(line) : line;
    if (holdsOperator(line) || holdsOperator(stripped)) return true;
    std::string word = firstWord(startsQuoted && !keepsOuterQuotes(line, programFound) ? stripped : line);
    return word != program || (!word.empty() && word[0] == '@') || startsWithBuiltIn(word);
}
