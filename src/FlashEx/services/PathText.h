#pragma once
#include <string>

// Character-level tests on narrow paths in the ANSI code page. A trail byte of
// a double-byte character may equal '\\', '/', '~' or a letter, so every test
// walks the text by characters, never by bytes.

// The last character of the text is the single-byte character c.
bool endsWithCharacter(const std::string& text, char c);
// The last character is '\\' or '/'.
bool endsWithSeparator(const std::string& text);
// Every single-byte character found in `from` becomes `to`.
std::string replaceCharacters(const std::string& text, const std::string& from, char to);
// The path lies inside `directory` (case-insensitive): it begins with the
// directory, followed by a separator and at least one more character.
bool isPathBelow(const std::string& path, const std::string& directory);
