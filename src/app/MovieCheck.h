#pragma once
#include <string>

// Why the movie the program was asked to play cannot be played, for the
// message that replaces a blank window; empty when it can be, and for a URL,
// which only the player can judge. The movie is looked for as the main
// dialog loads it: in the current folder first, then as given.
std::string movieLoadProblem(const std::string& movieArgument);

// A movie only the stand-in player can play: a .js script, or a movie file
// with a script tag (as mkswf makes them). False for anything unreadable.
bool isScriptMovie(const std::string& movieArgument);
