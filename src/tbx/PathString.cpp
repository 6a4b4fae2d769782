#include "tbx/PathString.h"

#include <windows.h>

namespace tbx {

std::string trim_blanks(const std::string& text) {
    const char* const blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

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

namespace {

// Length in bytes of the character that starts at position i.
size_t character_length(const std::string& text, size_t i) {
    return (is_lead_byte(text[i]) && i + 1 < text.size()) ? 2 : 1;
}

}  // namespace

bool ends_with_separator(const std::string& text) { return !text.empty() && last_separator(text) == text.size() - 1; }

size_t find_character(const std::string& text, char c, size_t from) {
    // Walks from the start even when from is later, so that from may not
    // land on a trail byte.
    for (size_t i = 0; i < text.size(); i += character_length(text, i))
        if (i >= from && text[i] == c) return i;
    return std::string::npos;
}

size_t find_last_character(const std::string& text, char c) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < text.size(); i += character_length(text, i))
        if (text[i] == c) found = i;
    return found;
}

bool ends_with_character(const std::string& text, char c) {
    return !text.empty() && find_last_character(text, c) == text.size() - 1;
}

std::string replace_characters(const std::string& text, const std::string& from, char to) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); i += character_length(out, i))
        if (from.find(out[i]) != std::string::npos) out[i] = to;
    return out;
}

std::string to_slashes(const std::string& path) { return replace_characters(path, "\\", '/'); }

std::string file_name_of(const std::string& path) {
    size_t separator = last_separator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string dir_name_of(const std::string& path) {
    size_t separator = last_separator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string with_trailing_separator(const std::string& path) {
    if (path.empty() || ends_with_separator(path)) return path;
    return path + "\\";
}

}  // namespace tbx
