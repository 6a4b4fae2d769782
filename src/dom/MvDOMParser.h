#pragma once
#include <string>

#include "dom/MvDOMNode.h"

// Reads name="value" pairs (either quote) up to the string's first NUL into
// attributes, which it empties first. A trailing name without a value is
// dropped; a value without an opening or closing quote raises "parsing error".
void parseDeclarationAttributes(const std::string& text, MvDOMAttributes& attributes);

// How the scanner tells whether a "[" or "]" byte is a character of its own:
// by walking the characters of Shift_JIS text, or byte by byte for text that
// may hold sequences a character walk cannot follow (EUC-JP's three-byte
// characters, whose lead byte 0x8F the converter copies).
enum class MvDOMScan { Characters, Bytes };

// Splits Shift_JIS text at "<" and ">" into text, elements, CDATA, comments,
// document types and processing instructions under parent. An end tag closes
// the innermost open element whatever it names; one at the top ends the scan.
// Throws only MvDOMException.
void parseChildren(MvDOMNode& parent, const std::string& text, MvDOMScan scan = MvDOMScan::Characters);
