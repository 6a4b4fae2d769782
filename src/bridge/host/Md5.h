#pragma once
#include <string>

// The 16-byte MD5 digest of `data`, computed by the system's cryptographic
// provider. Throws TbException when the provider is unavailable.
std::string md5Digest(const std::string& data);
