#pragma once
#include <string>
#include <vector>

#include "services/shell/ProgramSearch.h"

// The program that a command line starts, as the line writes it and as the
// search of the call that starts it finds it.
struct ProgramInLine {
    std::string text;  // as written in the line, without its quotation marks
    std::string file;  // the full path of the file it reaches, "" for none
    // What the execute permission judges: the file, or the text when the
    // program reaches no file.
    const std::string& judged() const { return file.empty() ? text : file; }
};

// The program of a command line: the text between the first pair of double
// quotation marks when the line begins with one; otherwise the shortest text
// before a blank that reaches an existing file (so a program path with blanks
// needs no quotes); otherwise the whole line. Each search in passes is tried
// over every candidate before the next. Lines of at most 2 bytes are taken
// whole. A line that opens a quotation without closing it throws
// FlashExException "実行コマンド文字列の形式が不正です。".
ProgramInLine programInLine(const std::string& commandLine, const std::vector<ProgramSearch>& passes);

// Whether the command processor, reading line, may run more than program (the
// program as the line writes it): "&", "|", "<", ">", "(", ")" or the escape
// "^" outside quotation marks in either of its readings of a line that begins
// with one (its outer quotation marks kept or taken off), "%" anywhere (it
// expands variables even inside quotation marks), a line break, a first
// word other than program, or a first word that is one of the processor's own
// commands, also joined to its argument ("del.\x", "cd.."). programFound says whether program reaches a file,
// which decides whether the processor keeps the outer quotation marks.
bool commandProcessorRunsMore(const std::string& line, const std::string& program, bool programFound);
