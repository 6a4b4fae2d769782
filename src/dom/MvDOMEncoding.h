#pragma once
#include <string>

// How the text after the XML declaration is turned into Shift_JIS.
enum class MvDOMEncoding { ShiftJis, EucJp, Utf8, Unicode, Jis, Unsupported };

// The declaration's encoding name, compared without regard to ASCII case;
// an empty name means UTF-8.
MvDOMEncoding classifyEncoding(const std::string& name);

// JIS X 0208 row and cell bytes (0x21 to 0x7E each) as a Shift_JIS pair.
void jisPairToShiftJis(unsigned char row, unsigned char cell, std::string& out);

// EUC-JP to Shift_JIS; half-width katakana become full-width, with a
// following sound mark merged into the kana where one exists.
std::string eucToShiftJis(const std::string& text);

// ISO-2022-JP (ASCII and JIS X 0208) to Shift_JIS; every line end becomes CR LF.
std::string jisToShiftJis(const std::string& text);

// UTF-8 to Shift_JIS; empty when any character has no Shift_JIS form.
std::string utf8ToNative(const std::string& text);
