#pragma once
#include <string>

namespace tbx {

// Standard Base64 (RFC 4648 alphabet, '=' padding, no line breaks).
std::string base64_encode(const std::string& bytes);
// Stops at the first '=', skips characters outside the alphabet and drops
// leftover bits at the end.
std::string base64_decode(const std::string& text);

}  // namespace tbx
