#pragma once
#include <string>

// The character sets in which text files are saved and loaded. The movie's
// text is narrow text in the ANSI code page.
enum class TextCharset { CharsetUtf8, CharsetNative, CharsetUtf16 };

// "UTF-8", "Shift_JIS", "Windows-31J" or "UTF-16", ignoring case; any other
// name throws FlashExException.
TextCharset textCharsetFromName(const char* name);

// Saves the text in the charset, replacing the file. The charset is examined
// before the file is touched, so a refused charset leaves an existing file as it was.
void writeTextFile(const char* path, const char* text, const char* charset);

// Loads a whole file as narrow text. With skipUtf8Bom, a UTF-8 byte order mark
// at the start is dropped; otherwise it is converted like any character.
std::string readTextFile(const char* path, const char* charset, bool skipUtf8Bom);
