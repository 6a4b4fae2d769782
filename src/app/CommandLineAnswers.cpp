#include "app/CommandLineAnswers.h"

#include "security/SecurityPolicy.h"
#include "services/shell/ProgramPath.h"
#include "services/shell/ProgramSearch.h"
#include "tbx/MvException.h"
#include "tbx/PathString.h"

bool asksForUsage(const std::vector<std::string>& arguments) {
    if (arguments.size() < 2) return false;
    const std::string& first = arguments[1];
    return first == "/?" || first == "-?" || first == "/help" || first == "-h" || first == "--help";
}

std::string usageText() {
    return "usage: movara [MOVIE [/wmax] [/h] [/trace] [/watch] [/debug[=PORT]]]\n"
           "       movara /policy PATH\n"
           "       movara /?\n"
           "Plays MOVIE (a .swf file, a .js script movie, \"MOVIE?name=value\" passes FlashVars), by default\n"
           "Ovara.swf beside the program. Movara.xml beside the program holds the security policy.\n"
           "  /wmax         the window covers the work area\n"
           "  /h            the window starts off screen\n"
           "  /trace        trace output (the movie's and the host's) goes to MOVIE.trace.txt beside the movie\n"
           "  /watch        reloads the movie in the same window whenever its file is replaced\n"
           "  /debug[=PORT] a debug client (movdbg) may attach on 127.0.0.1:PORT (9091); the movie waits\n"
           "                up to 30 s for one before it starts\n"
           "                (with /watch or /debug, script errors are drawn over the stage too)\n"
           "  /policy PATH  prints whether the movie may read, write and execute PATH, and which rule decided;\n"
           "                for a program name, also which file \"execAndWait\" and \"shellExecute\" start\n"
           "  /?, --help    prints this text";
}

bool asksForPolicy(const std::vector<std::string>& arguments, std::string& path) {
    if (arguments.size() < 2 || arguments[1] != "/policy") return false;
    path = arguments.size() > 2 ? arguments[2] : std::string();
    return true;
}

namespace {

// "allowed: WHY" or "refused: WHY" for one access to path.
std::string judgement(const SecurityPolicy& policy, const std::string& path, int access, std::string* judged) {
    try {
        PolicyDecision decision = policy.explain(path, access);
        if (judged) *judged = decision.judgedPath;
        return std::string(decision.allowed ? "allowed" : "refused") + ": " + decision.reason;
    } catch (const std::exception& e) {
        return std::string("refused: ") + e.what();
    } catch (...) {
        return "refused: the path cannot be judged";
    }
}

// What a command that starts programs would start for name, and whether the
// user would be asked first (both ask when the policy refuses execution).
std::string programLine(const SecurityPolicy& policy, const char* command, const char* verb, const std::string& found) {
    std::string line = std::string("\"") + command + "\" ";
    if (found.empty()) return line + "finds no file by that name";
    std::string verdict = judgement(policy, found, AccessExecute, nullptr);
    bool refused = verdict.compare(0, 7, "refused") == 0;
    return line + verb + " " + found + ": execute " + verdict +
           (refused ? "; the user would be asked first" : "; the user is not asked");
}

}  // namespace

std::string policyReport(const SecurityPolicy& policy, const std::string& path) {
    if (path.empty()) return "movara /policy: give the path to judge, for example: movara /policy C:\\data\\notes.txt";
    std::string report, judged;
    for (int access : {AccessRead, AccessWrite, AccessExecute}) {
        std::string line = judgement(policy, path, access, &judged);
        if (report.empty() && !judged.empty()) report = "judged as " + judged + "\n";
        std::string name = accessName(access);
        report += name + std::string(8 - name.size(), ' ') + line + "\n";
    }
    // Started as a program, the name is looked for as those commands look for it.
    std::string started;
    try {
        started = programInLine("\"" + path + "\"", {processSearch(false), processSearch(true)}).file;
    } catch (const std::exception&) {
    }
    report += programLine(policy, "execAndWait", "starts", started) + "\n";
    report += programLine(policy, "shellExecute", "opens", findProgram(path, shellSearch(nullptr)));
    return report;
}

bool asksToWatch(const std::vector<std::string>& arguments) {
    for (size_t i = 2; i < arguments.size(); ++i)
        if (arguments[i] == "/watch") return true;
    return false;
}

unsigned short debugPortFrom(const std::vector<std::string>& arguments) {
    const unsigned short kDefaultPort = 9091;
    for (size_t i = 2; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "/debug") return kDefaultPort;
        if (argument.compare(0, 7, "/debug=") != 0) continue;
        std::string digits = argument.substr(7);
        unsigned long port =
            digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos
                ? 0
                : std::stoul(digits);
        if (port < 1 || port > 65535) throw MvException(argument + ": the port must be a number from 1 to 65535");
        return static_cast<unsigned short>(port);
    }
    return 0;
}

std::string traceFileFrom(const std::vector<std::string>& arguments, const std::string& moviePath,
                          const std::string& settingsTrace) {
    std::string movie = moviePath.substr(0, tbx::find_character(moviePath, '?'));
    std::string folder = tbx::dir_name_of(movie);
    for (size_t i = 2; i < arguments.size(); ++i) {
        if (arguments[i] != "/trace") continue;
        std::string name = tbx::file_name_of(movie);
        size_t dot = tbx::find_last_character(name, '.');
        return (folder.empty() ? "" : folder + "\\") + name.substr(0, dot) + ".trace.txt";
    }
    std::string file = tbx::trim_blanks(settingsTrace);
    if (file.empty()) return file;
    bool absolute = (file.size() > 1 && file[1] == ':') || file[0] == '\\' || file[0] == '/';
    return absolute || folder.empty() ? file : folder + "\\" + file;
}
