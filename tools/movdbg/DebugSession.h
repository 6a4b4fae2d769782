#pragma once
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "DebugClient.h"

// What movdbg does for its user: the commands against one debug target,
// what the target reports (stops, uncaught errors), and the script's source
// lines read from its file. Output goes through `print` (UTF-8 lines); what
// the target reports on its own through `report`.
class DebugSession {
public:
    using Print = std::function<void(const std::string& text)>;
    DebugSession(std::vector<std::string> sourceFolders, Print print, Print report);

    // Takes over a new connection: the breakpoints set so far are set again.
    void attach(std::unique_ptr<debugwire::Client> client);
    void detach();
    // Runs one command line; false for "quit".
    bool run(const std::string& line);
    // A notification of the target (called on the client's thread).
    void notified(const debugwire::Message& message);

    // The command reference.
    static const char* const kHelp;

private:
    debugwire::Message request(int command, const std::string& arguments = std::string());
    void addBreak(const std::string& place);
    void deleteBreak(const std::string& number);
    void listBreaks();
    void callStack();
    void locals();
    void evaluate(const std::string& expression);
    // Line `line` of the script file, found in the source folders; "" when unknown.
    std::string sourceLine(const std::string& file, long line);
    bool paused();

    std::vector<std::string> sourceFolders_;
    Print print_;
    Print report_;
    std::unique_ptr<debugwire::Client> client_;
    std::vector<std::pair<std::string, long>> breakpoints_;
    std::map<std::string, std::vector<std::string>> sources_;
    std::mutex stateMutex_;
    bool paused_ = false;
    std::string pausedFile_;
    std::string lastCommand_;
};
