#pragma once
#include <string>

#include "dom/MvDOMNode.h"

// Reads name="value" pairs (either quote) up to the string's first NUL into
// attributes, which it empties first. A trailing name without a value is
// dropped; a value without an opening or closing quote raises "parsing error".
void parseDeclarationAttributes(const std::string& text, MvDOMAttributes& attributes);

// Splits Shift_JIS text at "<" and ">" into text, elements, CDATA, comments,
// document types and processing instructions under parent. An end tag closes
// the innermost open element whatever it names; one at the top ends the scan.
void parseChildren(MvDOMNode& parent, const std::string& text);
