// The command reference an author reads (docs/commands.md) against the command
// tables the program registers: no command missing, none invented, the same
// argument counts.
#include "MovaraTest.h"

#include <map>
#include <regex>
#include <set>

#include "app/ServiceRegistry.h"
#include "bridge/host/FlashExHost.h"
#include "bridge/host/FlashExServiceManager.h"
#include "imaging/MvGpImageConverter.h"
#include "security/SecurityPolicy.h"
#include "services/file/FlashExServiceSecureFile.h"
#include "services/file/TempFolderRegistry.h"
#include "services/images/RasterJob.h"

namespace {

class NoHost : public FlashExHost {
public:
    HWND hostWindow() const override { return nullptr; }
    HWND playerWindow() const override { return nullptr; }
    const std::string& apiKey() const override { return key_; }
    void lockApi(const std::string&) override {}
    void enableExtEvents() override {}
    void disableExtClose() override {}
    void setIcons(tbx::Icon, tbx::Icon) override {}
    void loadMovie(const std::string&) override {}

private:
    std::string key_;
};

class NoRasteriser : public Rasteriser {
public:
    bool post(const std::shared_ptr<RasterJob>&) override { return false; }
};

using Counts = std::pair<unsigned, unsigned>;

// "name" -> every (least, most) argument count documented for it.
std::map<std::string, std::set<Counts>> documentedCommands(const std::string& reference) {
    std::map<std::string, std::set<Counts>> commands;
    std::string text = reference.substr(0, reference.find("\n## Events"));
    std::regex entry(R"(\n### (\w+)\n+`(\w+)\(([^`]*)\)\s*->)");
    for (std::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it) {
        const std::smatch& match = *it;
        EXPECT_EQ(match[1].str(), match[2].str()) << "the signature names another command";
        std::string arguments = match[3].str();
        unsigned least = 0, most = 0;
        // Arguments are separated by commas outside brackets.
        int depth = 0;
        std::string argument;
        auto count = [&] {
            if (argument.find_first_not_of(' ') == std::string::npos) return;
            ++most;
            if (std::regex_search(argument, std::regex(R"(^\s*\w+\?)")) == false) {
                EXPECT_EQ(least + 1, most) << match[1] << ": a required argument follows an optional one";
                ++least;
            }
            argument.clear();
        };
        for (char c : arguments) {
            if (c == '[' || c == '{' || c == '(') ++depth;
            if (c == ']' || c == '}' || c == ')') --depth;
            if (c == ',' && depth == 0)
                count();
            else
                argument += c;
        }
        count();
        commands[match[1]].insert({least, most});
    }
    return commands;
}

}  // namespace

TEST(CommandReference, NamesEveryRegisteredCommandWithItsArgumentCounts) {
    NoHost host;
    SecurityPolicy policy;
    TempFolderRegistry tempFolders;
    NoRasteriser rasteriser;
    MvGpImageConverter encoders;
    FlashExServiceManager manager;
    registerServices(manager, {host, policy, tempFolders, rasteriser, encoders});
    std::vector<CommandSignature> registered = manager.commands();
    // The rasteriser's movies have a service of their own.
    std::vector<CommandSignature> secure = FlashExServiceSecureFile(policy).commands();
    registered.insert(registered.end(), secure.begin(), secure.end());

    std::map<std::string, std::set<Counts>> code;
    for (const CommandSignature& command : registered)
        code[command.name].insert({command.minArguments, command.maxArguments});
    std::map<std::string, std::set<Counts>> documented =
        documentedCommands(movara_test::readBytes(std::string(MOVARA_DOCS) + "/commands.md"));

    ASSERT_GT(code.size(), 80u);
    for (const auto& [name, counts] : code) {
        auto found = documented.find(name);
        if (found == documented.end()) {
            ADD_FAILURE() << "docs/commands.md lacks the command \"" << name << "\"";
            continue;
        }
        EXPECT_EQ(counts, found->second) << "\"" << name << "\" takes other argument counts than the reference says";
    }
    for (const auto& entry : documented)
        EXPECT_TRUE(code.count(entry.first)) << "docs/commands.md names \"" << entry.first << "\", which no service answers";
}
