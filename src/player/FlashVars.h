#pragma once
#include <string>
#include <utility>
#include <vector>

namespace player {

// The decoded pairs of a FlashVars query ("a=1&b=x%20y"), as UTF-8: '+' is a
// space, %XX a byte; a part without '=' has an empty value; empty parts are
// skipped. A later pair of the same name wins when they become an object.
std::vector<std::pair<std::string, std::string>> decodeFlashVars(const std::u16string& query);

}  // namespace player
