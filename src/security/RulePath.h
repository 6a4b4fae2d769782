#pragma once
#include <string>

// The rule text with environment references expanded and its first "$TOKEN"
// (a special-folder name such as $PERSONAL or $APPDATA) replaced by that
// folder's path. An unknown token is left as written; a folder the system
// does not have becomes the empty string.
std::string expandRulePath(const std::string& text);

// The CSIDL number of the longest special-folder name that text begins with
// at position pos, with its length; false when none does.
bool findSpecialFolderToken(const std::string& text, size_t pos, int& id, size_t& length);
