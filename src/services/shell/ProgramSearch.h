#pragma once
#include <functional>
#include <string>
#include <vector>

// Where a call that starts a program by name looks for it, so that the
// execute permission judges the file the call will start, not the name the
// movie wrote.
struct ProgramSearch {
    // Folders a name with no folder part is looked for in, in order.
    std::vector<std::string> folders;
    // Folders a relative name with a folder part ("tools\x.exe") is taken
    // against, in order.
    std::vector<std::string> relativeBases;
    // The endings tried, in order, in each place for a name; "" is the name
    // as written.
    std::function<std::vector<std::string>(const std::string& name)> endings;
    // Whether a folder is found too (the shell opens folders as it opens files).
    bool foldersFound = false;
};

// The system's own order for a program started with no application name:
// the program's folder, the current folder, the system folders, the Windows
// folder, then PATH. With exeAdded, ".exe" is added to a name without an
// extension, as the system does; without, names are taken as written.
ProgramSearch processSearch(bool exeAdded);
// The command processor's: the current folder, then PATH; a name without an
// extension of PATHEXT is tried with each of them before as written.
ProgramSearch commandProcessorSearch();
// The shell's for an open or other verb: the directory the call names (when
// it names one), then the system's order, ".exe" added as the system adds it,
// then as written.
ProgramSearch shellSearch(const char* directory);

// The full path of the existing file (or folder) that name reaches by search, or "" when
// none does. A path that may reach the network (a share path, or a device
// path such as "\\.\UNC\server\share") is never looked up (that would sign the user in to
// its server before anything was judged): the first such candidate is the
// answer as written, so that the policy judges it.
std::string findProgram(const std::string& name, const ProgramSearch& search);

// The command processor that reads "system" lines and batch files.
std::string commandProcessorPath();

// Whether the command processor reads path when it starts it (a batch file).
bool isBatchFile(const std::string& path);

// Whether the system starts path as a program: its extension is one of
// PATHEXT's (compared ignoring case). Any other file, whatever its content,
// is a document.
bool startsAsProgram(const std::string& path);
