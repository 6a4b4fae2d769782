#include "services/common/SearchPattern.h"

#include <set>

#include "services/common/DirectoryEntries.h"
#include "services/common/PathUtilities.h"
#include "security/SecurityPolicy.h"
#include "tbx/PathString.h"

namespace {

bool hasWildcards(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

bool startsWithDrive(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && !tbx::is_lead_byte(path[0]);
}

struct SplitPattern {
    std::string folder;
    std::string name;
};

// The folder part and the last name; a pattern without a folder part
// searches the current folder, or with a drive ("C:*") that drive's current
// folder.
SplitPattern split(const std::string& pattern) {
    size_t separator = tbx::last_separator(pattern);
    if (separator != std::string::npos)
        return {withoutTrailingSeparators(pattern.substr(0, separator + 1)), pattern.substr(separator + 1)};
    if (startsWithDrive(pattern)) return {pattern.substr(0, 2), pattern.substr(2)};
    return {".", pattern};
}

}  // namespace

std::string checkedSearchPattern(const SecurityPolicy& policy, const std::string& pattern, SearchJudging judging) {
    SplitPattern parts = split(pattern);
    // A name with wildcards stays inside its folder: the search only filters
    // that folder's entries with it.
    if (hasWildcards(parts.name)) return tbx::with_trailing_separator(policy.checkRead(parts.folder)) + parts.name;
    if (judging == SearchJudging::NamedEntry) return policy.checkRead(pattern);
    // Without wildcards the whole pattern is resolved first, as the search
    // will resolve it ("x\.." is the folder above x), then its folder judged.
    std::string entry = longFullPath(pattern);
    size_t separator = tbx::last_separator(entry);
    if (separator != std::string::npos && separator + 1 < entry.size())
        policy.checkRead(withoutTrailingSeparators(entry.substr(0, separator + 1)));
    else
        policy.checkRead(entry);
    return entry;
}

PathCheck folderSearchCheck(const SecurityPolicy& policy) {
    return [&policy](const std::string& search) { return checkedSearchPattern(policy, search, SearchJudging::Folder); };
}

std::vector<std::string> namesFoundByPatterns(const std::string& directory, const std::vector<std::string>& patterns,
                                              const PathCheck& judgeSearch) {
    std::vector<std::string> searches;
    for (const std::string& pattern : patterns) {
        std::string search = directory + "\\" + pattern;
        searches.push_back(judgeSearch ? judgeSearch(search) : search);
    }
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (const std::string& search : searches) {
        forEachDirectoryEntry(search, [&](const WIN32_FIND_DATAA& entry) {
            if (seen.insert(entry.cFileName).second) names.push_back(entry.cFileName);
        });
    }
    return names;
}
