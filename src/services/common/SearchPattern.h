#pragma once
#include <string>
#include <vector>

#include "services/common/PathUtilities.h"

class SecurityPolicy;

// Search patterns of the listing commands ("C:\data\*.txt", "C:*",
// "dir\..\*"). The folder a pattern searches is resolved once, judged for
// reading, and searched under that same resolved name, so a drive-relative or
// relative pattern, or one that climbs with "..", reads exactly the folder
// that was judged.

enum class SearchJudging {
    // Without wildcards in its last name a pattern names one entry, and that
    // entry is judged ("openDir").
    NamedEntry,
    // The folder the pattern reaches is judged, wildcards or not
    // ("getFileNames").
    Folder,
};

// The pattern to hand to the file search, after the policy allowed reading
// what it reaches. FlashExSecurityException when it does not.
std::string checkedSearchPattern(const SecurityPolicy& policy, const std::string& pattern, SearchJudging judging);

// Judges a search as "getFileNames" does: the folder it reaches, for reading.
PathCheck folderSearchCheck(const SecurityPolicy& policy);

// The names that the patterns find in the directory (each searched as
// "directory\pattern"), each once, in the order found. With a check, every
// search is judged before the first one runs, and runs as the check answers.
std::vector<std::string> namesFoundByPatterns(const std::string& directory, const std::vector<std::string>& patterns,
                                              const PathCheck& judgeSearch = {});
