#pragma once
#include <string>

#include "tbx/ModulePath.h"

// Path utilities of the security policy, reused by the file services. Narrow
// text in the ANSI code page in and out. Failures raise MvException
// "path format error <path> code=<system error>"; a result that would not fit
// its buffer is refused that way rather than cut short.

// Raises MvException "path format error <path> code=<error>".
[[noreturn]] void throwPathFormatError(const std::string& path, unsigned long error);

// %NAME% references replaced from the process environment (at most 1,023 bytes).
std::string expandEnvironment(const std::string& text);
// The path of the shell special folder with that CSIDL number; empty when the
// system has no such folder.
std::string specialFolderPath(int id);
// The absolute form of path with backslashes only, made without asking the
// file system (so without contacting the server of a share path).
std::string fullPathWithoutLookup(const std::string& path);
// The absolute long-name form of path with backslashes only. A path that does
// not exist yet gets the long form of its deepest existing ancestor followed
// by its remaining names as written.
std::string longFullPath(const std::string& path);
// The name under which the file system itself knows the object that a long
// full path reaches: links, drive aliases and letter case of its deepest
// existing ancestor resolved, the remaining names appended as written. The
// path unchanged when no ancestor can be opened.
std::string reachedPath(const std::string& longPath);
