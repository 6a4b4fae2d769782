#include "DebugSession.h"

#include <cstdlib>

#include "tbx/FileUtil.h"
#include "tbx/TextConversion.h"

using namespace debugwire;

const char* const DebugSession::kHelp =
    "break FILE:LINE   stop when the movie reaches that line (break LINE: in the file stopped in)\n"
    "break             list the breakpoints\n"
    "delete N          remove breakpoint N\n"
    "continue (c)      run on\n"
    "step (s)          run to the next line, into calls\n"
    "next (n)          run to the next line of this function\n"
    "out (o)           run until this function returns\n"
    "pause             stop the running movie before the next line it runs\n"
    "bt                the call stack\n"
    "locals            the local variables of the function stopped in\n"
    "print EXPR (p)    evaluate EXPR where the movie stopped, or in the running movie\n"
    "quit (q)          detach and end (the movie plays on)\n"
    "An empty line repeats a step, next or out.";

namespace {

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

std::string utf8ToAnsiPath(const std::string& utf8) { return wideToMultiByte(multiByteToWide(utf8, CP_UTF8), CP_ACP); }

}  // namespace

DebugSession::DebugSession(std::vector<std::string> sourceFolders, Print print, Print report)
    : sourceFolders_(std::move(sourceFolders)), print_(std::move(print)), report_(std::move(report)) {
    sourceFolders_.push_back(".");
}

void DebugSession::attach(std::unique_ptr<Client> client) {
    client_ = std::move(client);
    for (const auto& breakpoint : breakpoints_)
        request(kAddBreak, stringBytes(breakpoint.first) + integerBytes(static_cast<int32_t>(breakpoint.second)));
}

void DebugSession::detach() {
    client_.reset();
    // A movie attached again may have been rebuilt from a changed script.
    sources_.clear();
    std::lock_guard<std::mutex> lock(stateMutex_);
    paused_ = false;
}

bool DebugSession::paused() {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return paused_;
}

Message DebugSession::request(int command, const std::string& arguments) {
    if (!client_) throw ClientError("no movie is attached");
    return client_->request(command, arguments);
}

std::string DebugSession::sourceLine(const std::string& file, long line) {
    auto found = sources_.find(file);
    if (found == sources_.end()) {
        std::vector<std::string> lines;
        for (const std::string& folder : sourceFolders_) {
            try {
                lines = linesOf(tbx::read_file(utf8ToAnsiPath(folder + "\\" + file)));
                break;
            } catch (const std::exception&) {
                // Not in this folder.
            }
        }
        found = sources_.emplace(file, lines).first;
    }
    if (line < 1 || static_cast<size_t>(line) > found->second.size()) return std::string();
    return found->second[line - 1];
}

void DebugSession::notified(const Message& message) {
    if (message.size() < 2) return;
    switch (message[1].integer) {
        case kStatus: {
            bool nowPaused = message.size() > 2 && message[2].integer == 1;
            bool wasPaused;
            {
                std::lock_guard<std::mutex> lock(stateMutex_);
                wasPaused = paused_;
                paused_ = nowPaused;
                if (nowPaused && message.size() > 3) pausedFile_ = message[3].plain();
            }
            if (!nowPaused || wasPaused || message.size() < 6) return;
            std::string file = message[3].plain(), function = message[4].plain();
            long line = static_cast<long>(message[5].integer);
            if (file.empty())
                return report_("paused: no script runs now; the movie stops before the next line it runs");
            std::string text =
                "stopped at " + file + ":" + std::to_string(line) + (function.empty() ? "" : " in " + function);
            std::string source = sourceLine(file, line);
            if (!source.empty()) text += "\n" + std::to_string(line) + "\t" + source;
            report_(text);
            return;
        }
        case kThrow:
            if (message.size() >= 6 && message[2].integer == 1)
                report_("uncaught error: " + message[3].plain() + " (" + message[4].plain() + ":" +
                        std::to_string(message[5].integer) + ")");
            return;
        case kDetaching:
            report_("the movie detached (it was reloaded or it ended)");
            return;
        default:
            return;
    }
}

void DebugSession::addBreak(const std::string& place) {
    size_t colon = place.rfind(':');
    std::string file = colon == std::string::npos ? std::string() : trimmed(place.substr(0, colon));
    if (file.empty()) {
        std::lock_guard<std::mutex> lock(stateMutex_);
        file = pausedFile_;
    }
    long line = strtol(place.c_str() + (colon == std::string::npos ? 0 : colon + 1), nullptr, 10);
    if (file.empty() || line < 1) return print_("break needs FILE:LINE, for example: break movie.js:12");
    Message reply = request(kAddBreak, stringBytes(file) + integerBytes(static_cast<int32_t>(line)));
    breakpoints_.emplace_back(file, line);
    print_("breakpoint " + (reply.empty() ? std::string("?") : reply[0].plain()) + " at " + file + ":" +
           std::to_string(line));
}

void DebugSession::deleteBreak(const std::string& number) {
    char* end = nullptr;
    long index = strtol(number.c_str(), &end, 10);
    if (number.empty() || *end != '\0' || index < 0) return print_("delete needs a breakpoint number (see break)");
    request(kDelBreak, integerBytes(static_cast<int32_t>(index)));
    if (static_cast<size_t>(index) < breakpoints_.size()) breakpoints_.erase(breakpoints_.begin() + index);
    print_("breakpoint " + number + " deleted");
}

void DebugSession::listBreaks() {
    Message reply = request(kListBreak);
    if (reply.empty()) return print_("no breakpoints");
    for (size_t i = 0; i + 1 < reply.size(); i += 2)
        print_(std::to_string(i / 2) + "  " + reply[i].plain() + ":" + reply[i + 1].plain());
}

void DebugSession::callStack() {
    Message reply = request(kGetCallStack);
    if (reply.empty()) return print_("no script is running");
    for (size_t i = 0; i + 3 < reply.size(); i += 4) {
        std::string function = reply[i + 1].plain();
        print_("#" + std::to_string(i / 4) + "  " + (function.empty() ? "[anonymous]" : function) + " (" +
               reply[i].plain() + ":" + reply[i + 2].plain() + ")");
    }
}

void DebugSession::locals() {
    if (!paused()) return print_("the movie is running; pause it first");
    Message reply = request(kGetLocals, integerBytes(-1));
    if (reply.empty()) return print_("no local variables");
    for (size_t i = 0; i + 1 < reply.size(); i += 2) print_(reply[i].plain() + " = " + reply[i + 1].shown());
}

void DebugSession::evaluate(const std::string& expression) {
    if (expression.empty()) return print_("print needs an expression");
    // Paused: in the function stopped in; running: in the movie's global scope.
    std::string level = paused() ? integerBytes(-1) : nullBytes();
    Message reply = request(kEval, level + stringBytes(expression));
    if (reply.size() < 2) return print_("no answer");
    print_(reply[0].integer == 0 ? reply[1].shown() : "error: " + reply[1].plain());
}

bool DebugSession::run(const std::string& input) {
    std::string line = trimmed(input);
    if (line.empty()) {
        if (lastCommand_ != "step" && lastCommand_ != "next" && lastCommand_ != "out") return true;
        line = lastCommand_;
    }
    size_t space = line.find(' ');
    std::string command = line.substr(0, space);
    std::string argument = space == std::string::npos ? std::string() : trimmed(line.substr(space + 1));
    static const std::map<std::string, std::string> shortNames = {
        {"c", "continue"}, {"s", "step"},  {"n", "next"},     {"o", "out"},        {"p", "print"},
        {"q", "quit"},     {"b", "break"}, {"finish", "out"}, {"backtrace", "bt"}, {"where", "bt"}};
    auto shortName = shortNames.find(command);
    if (shortName != shortNames.end()) command = shortName->second;
    lastCommand_ = command;
    static const std::map<std::string, int> motions = {
        {"continue", kResume}, {"step", kStepInto}, {"next", kStepOver}, {"out", kStepOut}, {"pause", kPause}};
    try {
        auto motion = motions.find(command);
        if (command == "quit") {
            if (client_ && !client_->closed()) request(kDetach);
            return false;
        } else if (motion != motions.end()) {
            if (motion->second != kPause && !paused())
                print_("the movie is running; pause it first");
            else
                request(motion->second);
        } else if (command == "break") {
            argument.empty() ? listBreaks() : addBreak(argument);
        } else if (command == "delete") {
            deleteBreak(argument);
        } else if (command == "bt") {
            callStack();
        } else if (command == "locals") {
            locals();
        } else if (command == "print") {
            evaluate(argument);
        } else if (command == "help" || command == "?") {
            print_(kHelp);
        } else {
            print_("unknown command \"" + command + "\"; help lists the commands");
        }
    } catch (const std::exception& e) {
        print_(std::string("movdbg: ") + e.what());
    }
    return true;
}
