#include "security/RulePath.h"

#include <cstring>

#include "security/SecurityPaths.h"
#include "tbx/PathString.h"

namespace {

struct SpecialFolderToken {
    const char* name;
    int id;
};

const SpecialFolderToken kTokens[] = {
    {"ADMINTOOLS", 48},
    {"ALTSTARTUP", 29},
    {"APPDATA", 26},
    {"COMMON_APPDATA", 35},
    {"COMMON_DESKTOPDIRECTORY", 25},
    {"COMMON_DOCUMENTS", 46},
    {"COMMON_FAVORITES", 31},
    {"COMMON_MUSIC", 53},
    {"COMMON_PICTURES", 54},
    {"COMMON_PROGRAMS", 23},
    {"COMMON_STARTMENU", 22},
    {"COMMON_STARTUP", 24},
    {"COMMON_TEMPLATES", 45},
    {"COMMON_VIDEO", 55},
    {"CONTROLS", 3},
    {"COOKIES", 33},
    {"DESKTOP", 0},
    {"DESKTOPDIRECTORY", 16},
    {"DRIVES", 17},
    {"FAVORITES", 6},
    {"FONTS", 20},
    {"HISTORY", 34},
    {"INTERNET", 1},
    {"INTERNET_CACHE", 32},
    {"LOCAL_APPDATA", 28},
    {"MYDOCUMENTS", 12},
    {"MYMUSIC", 13},
    {"MYPICTURES", 39},
    {"MYVIDEO", 14},
    {"NETHOOD", 19},
    {"PERSONAL", 5},
    {"PRINTERS", 4},
    {"PRINTHOOD", 27},
    {"PROFILE", 40},
    {"PROGRAM_FILES", 38},
    {"PROGRAM_FILES_COMMON", 43},
    {"PROGRAMS", 2},
    {"RECENT", 8},
    {"SENDTO", 9},
    {"STARTMENU", 11},
    {"STARTUP", 7},
    {"SYSTEM", 37},
    {"TEMPLATES", 21},
    {"WINDOWS", 36},
};

}  // namespace

bool findSpecialFolderToken(const std::string& text, size_t pos, int& id, size_t& length) {
    length = 0;
    for (const SpecialFolderToken& token : kTokens) {
        size_t tokenLength = std::strlen(token.name);
        if (tokenLength > length && text.compare(pos, tokenLength, token.name) == 0) {
            id = token.id;
            length = tokenLength;
        }
    }
    return length > 0;
}

std::string expandRulePath(const std::string& text) {
    std::string expanded = expandEnvironment(text);
    size_t dollar = tbx::find_character(expanded, '$');
    int id = 0;
    size_t length = 0;
    if (dollar == std::string::npos || !findSpecialFolderToken(expanded, dollar + 1, id, length)) return expanded;
    return expanded.substr(0, dollar) + specialFolderPath(id) + expanded.substr(dollar + 1 + length);
}
