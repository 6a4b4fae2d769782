#pragma once
#include <string>

namespace tbx {

// Writes one line of the program's trace output: the text, in the ANSI code
// page, goes out as UTF-8 on the standard output, where the movie's trace
// lines go too. A program started from a console window without a standard
// output of its own (a windows program on Windows) writes to that console.
void traceLine(const std::string& text);

// From now on the standard output and error of the process, the player's
// too, append to the file at `path`; false when it cannot be opened.
bool traceToFile(const std::string& path);

}  // namespace tbx
