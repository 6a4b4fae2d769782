// movdbg: a console debugger for movies played with /debug.
//   movdbg [PORT] [--source FOLDER]...
// Attaches to the movie's script on 127.0.0.1:PORT (9091), waiting up to 30 s
// for the movie to listen, and reads commands at a prompt (help lists them;
// on a console the arrow keys recall earlier lines). When the movie is
// reloaded it attaches again with the same breakpoints; when the movie ends,
// or the input does, it ends too. The script's source lines are read from
// the source folders and the current folder.
#include <winsock2.h>  // before windows.h, which would bring the older sockets
#include <windows.h>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DebugSession.h"
#include "tbx/TextConversion.h"

namespace {

const char* const kUsage =
    "usage: movdbg [PORT] [--source FOLDER]...\n"
    "Attaches to a movie played with \"movara.exe MOVIE /debug[=PORT]\" (PORT 9091 by default) and\n"
    "reads debugger commands; the script's source lines are looked for in each FOLDER and the\n"
    "current folder. Type help at the prompt for the commands.\n";
const DWORD kFirstWaitMs = 30000;
const DWORD kReattachWaitMs = 3000;
const char* const kPrompt = "(movdbg) ";

// Lines out, UTF-8 inside: a console gets them as UTF-16, anything else as
// the bytes. Shared by the reader thread, so one write at a time.
class Output {
public:
    void line(const std::string& text) { write(text + "\n"); }
    void prompt() { write(kPrompt); }

private:
    void write(const std::string& utf8) {
        std::lock_guard<std::mutex> lock(mutex_);
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD mode = 0, written = 0;
        if (GetConsoleMode(out, &mode)) {
            std::u16string wide = multiByteToWide(utf8, CP_UTF8);
            WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        } else {
            WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
        }
    }
    std::mutex mutex_;
};

// What the main loop waits for: a line typed, the end of the input, or the
// end of the connection.
struct Event {
    enum Kind { Line, EndOfInput, Closed } kind;
    std::string text;
};

class EventQueue {
public:
    void push(Event event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
        ready_.notify_one();
    }
    Event pop() {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return !events_.empty(); });
        Event event = std::move(events_.front());
        events_.pop_front();
        return event;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Event> events_;
};

// A console reads whole edited lines (with the console's own history);
// redirected input is read as UTF-8 bytes.
bool readLine(std::string& line) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0, count = 0;
    line.clear();
    if (GetConsoleMode(in, &mode)) {
        char16_t buffer[1024];
        std::u16string wide;
        do {
            if (!ReadConsoleW(in, buffer, 1024, &count, nullptr) || count == 0) return !wide.empty();
            wide.append(buffer, count);
        } while (wide.back() != u'\n');
        line = wideToMultiByte(wide, CP_UTF8);
        return true;
    }
    char c = 0;
    while (ReadFile(in, &c, 1, &count, nullptr) && count == 1) {
        if (c == '\n') return true;
        line += c;
    }
    return !line.empty();
}

std::unique_ptr<debugwire::Client> connect(unsigned short port, DWORD waitMs, DebugSession& session,
                                           EventQueue& events) {
    return std::make_unique<debugwire::Client>(port, waitMs, [&session, &events](const debugwire::Message& message) {
        if (message.empty())
            events.push({Event::Closed, std::string()});
        else
            session.notified(message);
    });
}

int run(int argc, char** argv) {
    unsigned short port = 9091;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--source" && i + 1 < argc) {
            folders.push_back(argv[++i]);
        } else if (argument.find_first_not_of("0123456789") == std::string::npos && !argument.empty() &&
                   argument.size() <= 5 && std::stoul(argument) >= 1 && std::stoul(argument) <= 65535) {
            port = static_cast<unsigned short>(std::stoul(argument));
        } else {
            fputs(kUsage, argument == "--help" || argument == "-h" || argument == "/?" ? stdout : stderr);
            return argument == "--help" || argument == "-h" || argument == "/?" ? 0 : 2;
        }
    }
    Output output;
    EventQueue events;
    DebugSession session(
        folders, [&output](const std::string& text) { output.line(text); },
        [&output](const std::string& text) {
            output.line(text);
            output.prompt();
        });
    output.line("movdbg: waiting for the movie on 127.0.0.1:" + std::to_string(port) + "...");
    session.attach(connect(port, kFirstWaitMs, session, events));
    output.line("movdbg: attached; help lists the commands");

    // Lines are read on a thread of their own, so that what the movie reports
    // shows while the prompt waits.
    std::thread([&events] {
        std::string line;
        while (readLine(line)) events.push({Event::Line, line});
        events.push({Event::EndOfInput, std::string()});
    }).detach();
    output.prompt();
    for (;;) {
        Event event = events.pop();
        if (event.kind == Event::EndOfInput) {
            session.run("quit");
            return 0;
        }
        if (event.kind == Event::Closed) {
            session.detach();
            try {
                session.attach(connect(port, kReattachWaitMs, session, events));
                output.line("movdbg: attached again, with the same breakpoints");
            } catch (const debugwire::ClientError&) {
                output.line("movdbg: the movie ended");
                return 0;
            }
        } else if (!session.run(event.text)) {
            return 0;
        }
        output.prompt();
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        fprintf(stderr, "movdbg: %s\n", e.what());
        return 1;
    }
}
