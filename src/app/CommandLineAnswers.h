#pragma once
#include <string>
#include <vector>

class SecurityPolicy;

// What the program answers on its trace output instead of playing a movie.

// "/?", "-?", "/help", "-h" or "--help" as argument 1.
bool asksForUsage(const std::vector<std::string>& arguments);
// The command line the program takes.
std::string usageText();

// "/policy PATH" as arguments 1 and 2; PATH is the path to judge.
bool asksForPolicy(const std::vector<std::string>& arguments, std::string& path);
// For the settings in force: whether PATH may be read, written and executed,
// the path as judged, and what decided each; then which file "execAndWait"
// and "shellExecute" would start for PATH (searched for as they search) and
// whether the user would be asked first.
std::string policyReport(const SecurityPolicy& policy, const std::string& path);

// "/watch" after the movie: the window reloads the movie whenever its file
// is replaced.
bool asksToWatch(const std::vector<std::string>& arguments);

// "/debug" or "/debug=PORT" after the movie: the port (9091 by default) on
// which the player waits for a debug client; 0 without the switch. Throws
// MvException for a port that is no number from 1 to 65535.
unsigned short debugPortFrom(const std::vector<std::string>& arguments);

// The file the trace output goes to: "/trace" after the movie names
// MOVIE.trace.txt beside the movie; else the settings' trace text (a file
// name, relative to the movie's folder); else empty (the standard output).
std::string traceFileFrom(const std::vector<std::string>& arguments, const std::string& moviePath,
                          const std::string& settingsTrace);
