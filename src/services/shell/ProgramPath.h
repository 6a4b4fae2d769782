#pragma once
#include <string>

// The program that a command line starts, as the execute permission judges
// it: the text between the first pair of double quotation marks when the line
// begins with one; otherwise the shortest text before a blank that names an
// existing file (so a program path with blanks needs no quotes); otherwise the
// whole line. Lines of at most 2 bytes are taken whole. A line that opens a
// quotation without closing it throws FlashExException
// "実行コマンド文字列の形式が不正です。".
std::string programPathOf(const std::string& commandLine);
