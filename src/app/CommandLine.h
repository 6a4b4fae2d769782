#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The process's arguments as the runtime splits them, in the ANSI code page;
// index 0 is the program.
std::vector<std::string> commandLineArguments();

// Argument 1, whatever it is, or the default movie "Ovara.swf".
std::string moviePathFrom(const std::vector<std::string>& arguments);

struct WindowGeometry {
    int width = 1024;
    int height = 768;
    bool positioned = false;  // x and y are meant only when a switch set them
    int x = -1;
    int y = -1;
};

// 1024 x 768 reduced to the work area, then "/wmax" (cover the work area) and
// "/h" (start off screen, left of it) from argument 1 on.
WindowGeometry windowGeometryFrom(const std::vector<std::string>& arguments, const RECT& workArea);
