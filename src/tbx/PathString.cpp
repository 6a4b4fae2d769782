#include "tbx/PathString.h"

#include <windows.h>

namespace tbx {

bool is_lead_byte(char c) { return IsDBCSLeadByte((BYTE)c) != FALSE; }

size_t last_separator(const std::string& path) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (is_lead_byte(path[i])) {
            ++i;
        } else if (path[i] == '\\' || path[i] == '/') {
            found = i;
        }
    }
    return found;
}

std::string to_slashes(const std::string& path) {
    std::string out = path;
    for (size_t i = 0; i < out.size(); ++i) {
        if (is_lead_byte(out[i]))
            ++i;
        else if (out[i] == '\\')
            out[i] = '/';
    }
    return out;
}

std::string file_name_of(const std::string& path) {
    size_t separator = last_separator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string dir_name_of(const std::string& path) {
    size_t separator = last_separator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string with_trailing_separator(const std::string& path) {
    if (path.empty()) return path;
    size_t separator = last_separator(path);
    if (separator == path.size() - 1) return path;
    return path + "\\";
}

}  // namespace tbx
