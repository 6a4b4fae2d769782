#pragma once
#include <string>

enum MatchKind { MatchDir, MatchAny, MatchRight, MatchExact };

enum FileAccess { AccessRead = 1, AccessWrite = 2, AccessExecute = 4 };

// One allow or deny rule of the settings file's fileAccess list.
struct FileAccessRule {
    std::string text;  // as written in the settings file, without the blanks around it
    std::string path;  // after expandRulePath; what paths are compared with
    bool allow = false;
    MatchKind match = MatchExact;
    bool justBelow = false;
    int access = 0;  // FileAccess bits
    int position = 0;         // 1 for the first rule of the list
    std::string description;  // "rule 2 (allow, access \"rw\", match \"dir\"): TEXT", for explanations

    // Whether the long full path n matches the pattern (ignoring case).
    bool matches(const std::string& n) const;
    bool covers(int requested) const { return requested != 0 && (access & requested) == requested; }
};

// Every 'r', 'w' and 'x' anywhere in the letters adds its access; the rest is ignored.
int parseAccessLetters(const std::string& letters);
// "dir", "*", "right" and "=" (exact, case-sensitive); anything else is an exact match.
MatchKind parseMatchKind(const std::string& value);
