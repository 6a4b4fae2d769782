#pragma once
#include <string>

// The name by which the movie knows a clipboard format: a fixed name for the
// standard formats 1 to 16 ("text", "bitmap", ..., "locale"), the registered
// name for any other format, or "" when the system knows no name for it.
std::string clipboardFormatName(unsigned format);
