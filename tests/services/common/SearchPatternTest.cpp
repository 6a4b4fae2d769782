#include <algorithm>
#include <string>
#include <vector>

#include "MovaraTest.h"
#include "services/common/SearchPattern.h"

using namespace movara_test;

namespace {

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(SearchPattern, PatternsFindEachNameOnceAndSearchWhatTheCheckAnswers) {
    ScratchDir dir;
    makeDirectory(dir / "sub");
    for (const char* name : {"a.txt", "b.txt", "c.png", "sub\\d.txt"}) writeBytes(dir / name, "x");
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt"}), sorted(namesFoundByPatterns(dir.path(), {"*.txt", "a.*"})));
    EXPECT_TRUE(namesFoundByPatterns(dir.path(), {"*.gif"}).empty());

    // Every search is judged before the first runs, and runs as judged.
    std::vector<std::string> judged;
    auto intoSub = [&](const std::string& search) {
        judged.push_back(search);
        return dir / "sub\\*.txt";
    };
    EXPECT_EQ(std::vector<std::string>{"d.txt"}, namesFoundByPatterns(dir.path(), {"*.txt", "*.png"}, intoSub));
    EXPECT_EQ((std::vector<std::string>{dir / "*.txt", dir / "*.png"}), judged);
    // A file made while the second search is judged is found by the first.
    auto makeLate = [&](const std::string& search) {
        if (search.back() == 'g') writeBytes(dir / "late.txt", "x");
        return search;
    };
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt", "c.png", "late.txt"}),
              sorted(namesFoundByPatterns(dir.path(), {"*.txt", "*.png"}, makeLate)));
}
