#pragma once
#include <string>
#include <vector>

#include "TestFiles.h"

namespace movara_test {

// The iconv program of the Linux machine (glibc's converters) over a whole
// text; false when iconv cannot convert it. The tests' independent encoder.
inline bool iconvConvert(const std::string& input, const char* to, const char* from, std::string& output) {
    std::string command = std::string("iconv -f ") + from + " -t " + to;
    return runUnixProgram(command, input, output) == 0;
}

// Many short texts in one run of iconv: one per line, each converted on its
// own; a text iconv cannot convert comes back empty. A line end is no part of
// a multibyte character in the encodings the tests use, so lines stay apart.
inline std::vector<std::string> iconvConvertLines(const std::vector<std::string>& inputs, const char* to,
                                                  const char* from) {
    std::string joined;
    for (const auto& text : inputs) joined += text + "\n";
    std::string output;
    runUnixProgram(std::string("iconv -c -f ") + from + " -t " + to, joined, output);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(output.substr(start, end - start));
    return lines;
}

}  // namespace movara_test
