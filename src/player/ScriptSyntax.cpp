#include "player/ScriptSyntax.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace player {

const char* const kLaterSyntaxDocs = "see \"ES5.1, not later\" in docs/movies.md";

namespace {

// A token of the script, as far as telling later syntax apart needs: names,
// punctuation, and whole strings, numbers, regular expressions and templates.
struct Token {
    enum Kind { Name, Punctuator, Literal, Template } kind;
    std::string text;
    long line;
};

bool isNameByte(unsigned char c) { return isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

// After these a "/" starts a regular expression, not a division.
bool regexMayFollow(const std::vector<Token>& tokens) {
    if (tokens.empty()) return true;
    const Token& last = tokens.back();
    if (last.kind == Token::Punctuator) return last.text != ")" && last.text != "]" && last.text != "}";
    static const char* const keywords[] = {"return",     "typeof", "case",   "do",   "else", "in",
                                           "instanceof", "new",    "delete", "void", "throw"};
    for (const char* keyword : keywords)
        if (last.kind == Token::Name && last.text == keyword) return true;
    return false;
}

class Scanner {
public:
    explicit Scanner(const std::string& source) : s_(source) {}

    // The tokens up to the end of lastLine.
    std::vector<Token> tokens(long lastLine) {
        std::vector<Token> out;
        while (skipSpaceAndComments() && line_ <= lastLine) {
            long line = line_;
            unsigned char c = s_[at_];
            if (c == '`') {
                out.push_back({Token::Template, "`", line});
                return out;  // what follows a template cannot be told apart
            }
            if (c == '"' || c == '\'') {
                skipQuoted(static_cast<char>(c));
                out.push_back({Token::Literal, "", line});
            } else if (isdigit(c) || (c == '.' && isdigit(next(1)))) {
                while (at_ < s_.size() && (isNameByte(s_[at_]) || s_[at_] == '.')) ++at_;
                out.push_back({Token::Literal, "", line});
            } else if (isNameByte(c)) {
                size_t start = at_;
                while (at_ < s_.size() && isNameByte(s_[at_])) ++at_;
                out.push_back({Token::Name, s_.substr(start, at_ - start), line});
            } else if (c == '/' && regexMayFollow(out)) {
                skipRegex();
                out.push_back({Token::Literal, "", line});
            } else if (s_.compare(at_, 3, "...") == 0) {
                at_ += 3;
                out.push_back({Token::Punctuator, "...", line});
            } else if (s_.compare(at_, 2, "=>") == 0) {
                at_ += 2;
                out.push_back({Token::Punctuator, "=>", line});
            } else {
                ++at_;
                out.push_back({Token::Punctuator, std::string(1, static_cast<char>(c)), line});
            }
        }
        return out;
    }

private:
    unsigned char next(size_t ahead) const { return at_ + ahead < s_.size() ? s_[at_ + ahead] : 0; }

    void advance() {
        if (s_[at_] == '\n') ++line_;
        ++at_;
    }

    // False at the end of the source.
    bool skipSpaceAndComments() {
        while (at_ < s_.size()) {
            unsigned char c = s_[at_];
            if (c == '/' && next(1) == '/') {
                while (at_ < s_.size() && s_[at_] != '\n') ++at_;
            } else if (c == '/' && next(1) == '*') {
                at_ += 2;
                while (at_ < s_.size() && !(s_[at_] == '*' && next(1) == '/')) advance();
                at_ = std::min(at_ + 2, s_.size());
            } else if (isspace(c)) {
                advance();
            } else {
                return true;
            }
        }
        return false;
    }

    void skipQuoted(char quote) {
        ++at_;
        while (at_ < s_.size() && s_[at_] != quote && s_[at_] != '\n') {
            if (s_[at_] == '\\' && at_ + 1 < s_.size()) ++at_;
            advance();
        }
        if (at_ < s_.size() && s_[at_] == quote) ++at_;
    }

    void skipRegex() {
        ++at_;
        bool inClass = false;
        while (at_ < s_.size() && s_[at_] != '\n' && (inClass || s_[at_] != '/')) {
            if (s_[at_] == '\\')
                ++at_;
            else if (s_[at_] == '[')
                inClass = true;
            else if (s_[at_] == ']')
                inClass = false;
            ++at_;
        }
        if (at_ < s_.size() && s_[at_] == '/') ++at_;
        while (at_ < s_.size() && isNameByte(s_[at_])) ++at_;
    }

    const std::string& s_;
    size_t at_ = 0;
    long line_ = 1;
};

struct LaterForm {
    const char* what;
    const char* instead;
};

const LaterForm kArrow = {"arrow functions (=>)", "write function (a) { return ...; }"};
const LaterForm kTemplate = {"template strings (`...`)", "join strings and values with +"};
const LaterForm kClass = {"classes (class)", "write a constructor function and add methods to its prototype"};
const LaterForm kLet = {"let declarations", "declare with var"};
const LaterForm kDefault = {"default parameter values (a = 1)",
                            "give the value in the body: if (a === undefined) a = 1;"};
const LaterForm kRest = {"rest parameters and spread (...)", "read arguments, or call with fn.apply(null, list)"};
const LaterForm kDestructuring = {"destructuring ({a, b} = ... or [a, b] = ...)",
                                  "read each property or element into its own variable"};
const LaterForm kForOf = {"for ... of loops", "loop with an index, or call list.forEach(function (item) { ... })"};

bool is(const std::vector<Token>& tokens, size_t i, Token::Kind kind, const char* text) {
    return i < tokens.size() && tokens[i].kind == kind && tokens[i].text == text;
}
bool isPunctuator(const std::vector<Token>& tokens, size_t i, const char* text) {
    return is(tokens, i, Token::Punctuator, text);
}
bool isName(const std::vector<Token>& tokens, size_t i) { return i < tokens.size() && tokens[i].kind == Token::Name; }

// The later form that a parenthesised list opened at `open` holds: "of" in
// a for loop's head, or "=" and patterns in a function's parameters.
const LaterForm* formInParentheses(const std::vector<Token>& tokens, size_t open, bool forHead) {
    int depth = 0;
    for (size_t i = open; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.kind == Token::Punctuator && (token.text == "(" || token.text == "[" || token.text == "{")) {
            if (!forHead && depth == 1 && token.text != "(") return &kDestructuring;
            ++depth;
        } else if (token.kind == Token::Punctuator && (token.text == ")" || token.text == "]" || token.text == "}")) {
            if (--depth == 0) return nullptr;
        } else if (depth == 1 && forHead && token.kind == Token::Name && token.text == "of" && i > open + 1 &&
                   (isName(tokens, i - 1) || isPunctuator(tokens, i - 1, "]") || isPunctuator(tokens, i - 1, "}"))) {
            return &kForOf;
        } else if (depth == 1 && forHead && isPunctuator(tokens, i, ";")) {
            return nullptr;
        } else if (depth == 1 && !forHead && isPunctuator(tokens, i, "=")) {
            return &kDefault;
        }
    }
    return nullptr;
}

const LaterForm* laterFormAt(const std::vector<Token>& tokens, size_t i) {
    const Token& token = tokens[i];
    bool member = i > 0 && isPunctuator(tokens, i - 1, ".");
    if (token.kind == Token::Template) return &kTemplate;
    if (token.kind == Token::Punctuator) {
        if (token.text == "=>") return &kArrow;
        if (token.text == "...") return &kRest;
        return nullptr;
    }
    if (token.kind != Token::Name || member) return nullptr;
    if (token.text == "class" && !isPunctuator(tokens, i + 1, ":")) return &kClass;
    if (token.text == "let" &&
        (isName(tokens, i + 1) || isPunctuator(tokens, i + 1, "[") || isPunctuator(tokens, i + 1, "{")))
        return &kLet;
    if ((token.text == "var" || token.text == "const") &&
        (isPunctuator(tokens, i + 1, "[") || isPunctuator(tokens, i + 1, "{")))
        return &kDestructuring;
    if (token.text == "for" && isPunctuator(tokens, i + 1, "(")) return formInParentheses(tokens, i + 1, true);
    if (token.text == "function") {
        size_t open = isName(tokens, i + 1) ? i + 2 : i + 1;
        if (isPunctuator(tokens, open, "(")) return formInParentheses(tokens, open, false);
    }
    return nullptr;
}

// The "(line N, column C)" or "(line N, column C, end of input)" the engine
// appends to a compile error's message: read into the problem and removed.
void takePlace(SyntaxProblem& problem) {
    std::string& message = problem.message;
    size_t open = message.rfind(" (line ");
    if (open == std::string::npos || message.back() != ')') return;
    const char* text = message.c_str() + open + 7;
    char* end = nullptr;
    problem.line = strtol(text, &end, 10);
    if (strncmp(end, ", column ", 9) == 0) problem.column = strtol(end + 9, &end, 10);
    message.erase(open);
}

struct HeapDeleter {
    void operator()(duk_context* context) const { duk_destroy_heap(context); }
};

}  // namespace

std::string SyntaxProblem::place(const std::string& file) const {
    if (line <= 0) return file;
    return file + ":" + std::to_string(line) + (column > 0 ? ":" + std::to_string(column) : std::string());
}

std::string laterSyntaxHint(const std::string& source, long line) {
    std::vector<Token> tokens = Scanner(source).tokens(line);
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (const LaterForm* form = laterFormAt(tokens, i))
            return std::string(form->what) + " (line " + std::to_string(tokens[i].line) +
                   ") came after ES5.1, the edition the script engine knows: " + form->instead + "; " +
                   kLaterSyntaxDocs;
    }
    return std::string();
}

SyntaxProblem syntaxProblemOf(duk_context* ctx, const std::string& source) {
    SyntaxProblem problem;
    problem.message = duk_safe_to_string(ctx, -1);
    takePlace(problem);
    if (problem.message.find("source decode failed") != std::string::npos) {
        problem.message = "SyntaxError: the script is not UTF-8 text; save it as UTF-8";
        problem.line = problem.column = 0;
    } else if (problem.line > 0) {
        problem.hint = laterSyntaxHint(source, problem.line);
    }
    return problem;
}

std::string scriptSyntaxError(const std::string& script, const std::string& name) {
    std::unique_ptr<duk_context, HeapDeleter> heap(duk_create_heap_default());
    duk_context* context = heap.get();
    size_t skip = script.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // the player skips a byte order mark too
    duk_push_string(context, name.c_str());
    if (duk_pcompile_lstring_filename(context, 0, script.data() + skip, script.size() - skip) == 0)
        return std::string();
    SyntaxProblem problem = syntaxProblemOf(context, script);
    std::string place = problem.place(name);
    std::string text = place + ": " + problem.message;
    if (!problem.hint.empty()) text += "\n" + place + ": hint: " + problem.hint;
    return text;
}

}  // namespace player
