#pragma once
#include <string>

namespace security {

// Case-insensitive comparisons of narrow paths in the ANSI code page, walked
// by characters: a trail byte is never taken for a letter or a separator, and
// a match never starts or ends inside a double-byte character. Folding covers
// the single-byte letters and, in code page 932, the full-width Latin letters;
// every other double-byte character is compared exactly.

bool equalsIgnoreCase(const std::string& a, const std::string& b);
// text begins with prefix, the prefix ending on a character boundary of text.
bool startsWithIgnoreCase(const std::string& text, const std::string& prefix);
// text ends with suffix, the suffix starting on a character boundary of text.
bool endsWithIgnoreCase(const std::string& text, const std::string& suffix);

}  // namespace security
