#pragma once
#include <cstdint>
#include <string>

// The key that locks the movie's API: the Base64 text of the MD5 digest of a
// counter value written in lower-case hexadecimal, followed by `salt`.
// Always 24 characters, ending in "==".
std::string apiKeyFor(uint64_t counter, const std::string& salt = std::string());

// A key from the high-resolution performance counter (the tick count where
// that counter is missing) salted with 16 random bytes, so that code which
// knows the machine's uptime still cannot guess it.
std::string newApiKey();
