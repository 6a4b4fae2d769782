#pragma once
#include <string>

// Path-string functions on narrow paths in the ANSI code page. Every scan
// walks by characters, so the trail byte of a double-byte character that
// equals '\' or '/' is never taken for a separator.
namespace tbx {

// The text without the spaces, tabs and line breaks around it (none of them
// is ever the trail byte of a double-byte character).
std::string trim_blanks(const std::string& text);
// Every '\' replaced by '/'.
std::string to_slashes(const std::string& path);
// The part after the last '\' or '/'; the whole string when there is none.
std::string file_name_of(const std::string& path);
// The part before the last '\' or '/'; empty when there is none.
std::string dir_name_of(const std::string& path);
// The path with '\' appended unless it is empty or already ends in a separator.
std::string with_trailing_separator(const std::string& path);

// Position of the last separator character, or npos.
size_t last_separator(const std::string& path);
// The text ends in '\' or '/' (a trail byte is no separator).
bool ends_with_separator(const std::string& text);
// Position of the first single-byte character c at or after from, or npos.
size_t find_character(const std::string& text, char c, size_t from = 0);
// Position of the last single-byte character c, or npos.
size_t find_last_character(const std::string& text, char c);
// The last character of the text is the single-byte character c.
bool ends_with_character(const std::string& text, char c);
// Every single-byte character found in `from` becomes `to`.
std::string replace_characters(const std::string& text, const std::string& from, char to);
// Whether the byte begins a double-byte character of the ANSI code page.
bool is_lead_byte(char c);

}  // namespace tbx
