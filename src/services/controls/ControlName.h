#pragma once
#include <string>

class SecurityPolicy;

// The name to create an ActiveX host window with, for the name the movie
// gave. A name that reaches a file (a path, a "file:" URL, a ".swf" movie, or
// a bare name that is no registered ProgID but an existing file) shows that
// file, so it is judged for reading and becomes the judged path. A class id,
// a registered ProgID and any other URL stay as they are.
std::string judgedControlName(const SecurityPolicy& policy, const std::string& name);
