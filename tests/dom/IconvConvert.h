#pragma once
#include <iconv.h>

#include <string>
#include <vector>

namespace movara_test {

// glibc's iconv over a whole text, with the final shift back to the initial
// state; false when iconv cannot convert it. The tests' independent encoder.
inline bool iconvConvert(const std::string& input, const char* to, const char* from, std::string& output) {
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1) return false;
    std::vector<char> buffer(input.size() * 4 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char* out = buffer.data();
    size_t outLeft = buffer.size();
    bool ok = iconv(cd, &in, &inLeft, &out, &outLeft) != (size_t)-1 &&
              iconv(cd, nullptr, nullptr, &out, &outLeft) != (size_t)-1;
    iconv_close(cd);
    output.assign(buffer.data(), out);
    return ok;
}

}  // namespace movara_test
