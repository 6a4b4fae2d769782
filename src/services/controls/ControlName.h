#pragma once
#include <string>

class SecurityPolicy;

// A name of at least five bytes ending in ".swf" is a movie for a player.
bool isMovieName(const std::string& name);

// The name to create an ActiveX host window with, for the name the movie
// gave. A name that reaches a file (a path, a "file:" URL, a ".swf" movie, or
// a bare name that is no registered ProgID but an existing file) shows that
// file, so it is judged for reading, and a file other than a movie, which the
// web control shows and runs, for executing too; it becomes the judged path.
// A class id, a registered ProgID and an "http:" or "https:" URL stay as they
// are; a name of any other scheme ("about:", "javascript:", "MSHTML:") only
// when the policy allows web content, else FlashExException.
std::string judgedControlName(const SecurityPolicy& policy, const std::string& name);
