#include <windows.h>

#include <map>

#include "FlashEx/MvException.h"
#include "MovaraTest.h"
#include "PolicyTestSupport.h"
#include "security/MultiByteCompare.h"
#include "tbx/Handles.h"
#include "tbx/TextConversion.h"

// Paths that a hostile movie might pass to reach objects the policy refuses.
// Each row names the object the path really reaches under Wine and the answer
// under two policies that share a trusted folder {R} and a deny rule on {D}:
//   narrow: deny {D}, allow the folder {T} around it, nothing else;
//   open:   deny {D}, deny {X}, deny a folder with a Greek name, allow "*".
using namespace security;

namespace {

using movara_test::ScratchDir;

enum Answer { Allowed, Refused, FormatError, RawPathError };

struct Attack {
    const char* path;
    int access;
    const char* reaches;
    // What reading the path through CreateFileA gives: the file's text, "-"
    // when it opens nothing, nullptr when not probed (devices, writes).
    const char* contents;
    Answer narrow;
    Answer open;
};

const int R = AccessRead, W = AccessWrite;

// 表 ends in the byte '\'; ＼ and 。 are the full-width backslash and full stop.
const Attack kAttacks[] = {
    {"{T}\\ok.txt", R, "T\\ok.txt", "ok", Allowed, Allowed},
    {"{X}\\x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"{T}\\..\\Outside Folder\\x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"{T}/../Outside Folder/x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"{D}\\..\\..\\Outside Folder\\x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"{T}\\denied FOLDER\\s.txt", R, "D\\s.txt", "secret", Refused, Refused},
    {"{D}.\\s.txt", R, "D\\s.txt (trailing dot dropped)", "secret", Refused, Refused},
    {"{D}.", W, "D", nullptr, Refused, Refused},
    {"{D} ", W, "D", nullptr, Refused, Refused},
    {"{D}\\s.txt.", R, "D\\s.txt", "secret", Refused, Refused},
    // Wine's long-path service drops the trailing space or dots of "D " where
    // opening does not, so these are judged as D although they reach nothing.
    {"{D} \\s.txt", R, "nothing (no folder \"Denied Folder \")", "-", Refused, Refused},
    {"{D}. . .\\s.txt", R, "nothing (no folder \"Denied Folder. . \")", "-", Refused, Refused},
    {"{T}\\\\Denied Folder\\s.txt", R, "D\\s.txt", "secret", Refused, Refused},
    {"{T}\\/Denied Folder\\s.txt", R, "D\\s.txt", "secret", Refused, Refused},
    {"{D}\\s.txt::$DATA", R, "nothing under Wine; D\\s.txt on NTFS", "-", FormatError, FormatError},
    {"{D}\\s.txt:s", W, "nothing under Wine; a stream of D\\s.txt on NTFS", "-", FormatError, FormatError},
    {"{D}::$INDEX_ALLOCATION\\s.txt", R, "nothing under Wine; D\\s.txt on NTFS", "-", FormatError, FormatError},
    {"{D83}\\s.txt", R, "D\\s.txt", "secret", Refused, Refused},
    {"{T83}\\ok.txt", R, "T\\ok.txt", "ok", Allowed, Allowed},
    {"{T}\\CON", W, "the console", nullptr, Refused, Refused},
    {"{T}\\nul.txt", W, "the NUL device", nullptr, Refused, Refused},
    {"{T}\\COM1", W, "serial port 1", nullptr, Refused, Refused},
    {"{T}\\CONIN$", R, "console input", nullptr, Refused, Refused},
    {"\\\\.\\{X}\\x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"//./{X/}/x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"\\\\?\\{T}\\..\\Outside Folder\\x.txt", R, "nothing (\"..\" is a name there)", "-", RawPathError, RawPathError},
    {"//?/{X/}/x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"\\??\\{X}\\x.txt", R, "X\\x.txt", "outside", FormatError, FormatError},
    {"\\\\localhost\\C$\\{X:}\\x.txt", R, "nothing under Wine; X\\x.txt on Windows", "-", Refused, Refused},
    {"\\\\127.0.0.1\\c$\\{X:}\\x.txt", R, "nothing under Wine; X\\x.txt on Windows", "-", Refused, Refused},
    {"\\\\localhost\\C$\\{R:}\\new.txt", W, "nothing under Wine; the trusted folder on Windows", nullptr, Refused,
     Refused},
    {"C:..\\Outside Folder\\x.txt", R, "X\\x.txt (current folder T)", "outside", Refused, Refused},
    {"C:ok.txt", R, "T\\ok.txt (current folder T)", "ok", Allowed, Allowed},
    {"..\\Outside Folder\\x.txt", R, "X\\x.txt (current folder T)", "outside", Refused, Refused},
    {"{X:}\\x.txt", R, "X\\x.txt (root of the current drive)", "outside", Refused, Refused},
    {"{T}2\\x.txt", W, "nothing (a sibling of T)", nullptr, Refused, Allowed},
    {"{T}evil\\x.txt", W, "nothing (a sibling of T)", nullptr, Refused, Allowed},
    {"{T}\\ok.txt{NUL}\\..\\..\\Outside Folder\\x.txt", R, "T\\ok.txt (Win32 stops at NUL)", "ok", FormatError,
     FormatError},
    {"{T}\\{300}", W, "nothing (name too long)", nullptr, FormatError, FormatError},
    {"{T}\\{33000}", W, "nothing (path too long)", nullptr, FormatError, FormatError},
    {"{T}\\表\\..\\..\\Outside Folder\\x.txt", R, "X\\x.txt", "outside", Refused, Refused},
    {"{T}\\表\\..\\ok.txt", R, "T\\ok.txt", "ok", Allowed, Allowed},
    {"{T}\\ポ\\..\\ok.txt", R, "T\\ok.txt (ポ ends in the byte '|')", "ok", Allowed, Allowed},
    {"\\\\2130706433\\c$\\{X:}\\x.txt", R, "nothing under Wine; X\\x.txt on Windows", "-", Refused, Refused},
    {"{T}\\Denied Folder＼s.txt", W, "nothing (one name inside T)", nullptr, Allowed, Allowed},
    {"{T}\\。。\\Outside Folder\\x.txt", W, "nothing (a folder \"。。\" inside T)", nullptr, Allowed, Allowed},
    {"{T}\\link\\x.txt", R, "nothing (Wine makes the link to X but does not follow it)", "-", Allowed, Allowed},
    {"{ZX}\\x.txt", R, "X\\x.txt (drive Z: is the Unix root)", "outside", Refused, Refused},
    {"{ZDX}\\x.txt", R, "X\\x.txt (through the prefix's link c:)", "outside", FormatError, FormatError},
    {"{ZR}\\new.txt", W, "the trusted folder through Z:", nullptr, Refused, Refused},
    {"{S}\\δelta folder\\g.txt", R, "Δelta Folder\\g.txt", "greek", Refused, Refused},
    {"{R}\\movie.swf", R, "the trusted folder", nullptr, Allowed, Allowed},
    {"{R}\\new.txt", W, "the trusted folder", nullptr, Refused, Refused},
    {"{R83}\\new.txt", W, "the trusted folder", nullptr, Refused, Refused},
    {"{R}.\\new.txt", W, "the trusted folder", nullptr, Refused, Refused},
};

std::string shortPathOf(const std::string& path) {
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return std::string(buffer, length);
}

std::string replaced(std::string text, char from, char to) {
    for (char& c : text)
        if (c == from) c = to;
    return text;
}

// The same folder through drive Z:, which Wine maps to the Unix root: the
// prefix's "dosdevices\c:" link, or with drive_c the folder it links to.
std::string unixRootAlias(const std::string& path, bool throughDriveFolder) {
    std::string unixPath = movara_test::unixPathOf(path);
    if (unixPath.empty()) return "Z:\\no-unix-name";
    std::string alias = "Z:" + replaced(unixPath, '/', '\\');
    size_t link = alias.find("\\dosdevices\\c:");
    if (throughDriveFolder && link != std::string::npos) alias.replace(link, 14, "\\drive_c");
    return alias;
}

std::string contentsOf(const std::string& path) {
    tbx::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "-";
    char buffer[64];
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return "-";
    return std::string(buffer, got);
}

std::string judged(const SecurityPolicy& policy, const std::string& path, int access) {
    try {
        return policy.isAllowed(path, access) ? "allowed" : "refused";
    } catch (const MvException& e) {
        return std::string("format error: ") + e.what();
    } catch (const FlashExException& e) {
        return "raw path error: " + e.getMessage();
    }
}

bool answerMatches(const std::string& judgement, Answer expected) {
    switch (expected) {
        case Allowed:
            return judgement == "allowed";
        case Refused:
            return judgement == "refused";
        case FormatError:
            return judgement.rfind("format error: path format error ", 0) == 0;
        case RawPathError:
            return judgement == "raw path error: path format error \\\\?\\";
    }
    return false;
}

class PathAttack : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string s = scratch_.path();
        places_["{S}"] = s;
        places_["{T}"] = s + "\\Allowed Folder";
        places_["{D}"] = places_["{T}"] + "\\Denied Folder";
        places_["{X}"] = s + "\\Outside Folder";
        places_["{R}"] = s + "\\Trusted Folder";
        for (const char* folder : {"{T}", "{D}", "{X}", "{R}"}) movara_test::makeDirectory(places_[folder]);
        movara_test::makeDirectory(s + "\\Δelta Folder");
        movara_test::writeBytes(places_["{T}"] + "\\ok.txt", "ok");
        CreateSymbolicLinkA((places_["{T}"] + "\\link").c_str(), places_["{X}"].c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
        movara_test::writeBytes(places_["{D}"] + "\\s.txt", "secret");
        movara_test::writeBytes(places_["{X}"] + "\\x.txt", "outside");
        movara_test::writeBytes(s + "\\Δelta Folder\\g.txt", "greek");
        places_["{T83}"] = shortPathOf(places_["{T}"]);
        places_["{D83}"] = shortPathOf(places_["{D}"]);
        places_["{R83}"] = shortPathOf(places_["{R}"]);
        places_["{X/}"] = replaced(places_["{X}"], '\\', '/');
        places_["{X:}"] = places_["{X}"].substr(2);
        places_["{R:}"] = places_["{R}"].substr(2);
        places_["{ZX}"] = unixRootAlias(places_["{X}"], true);
        places_["{ZR}"] = unixRootAlias(places_["{R}"], true);
        places_["{ZDX}"] = unixRootAlias(places_["{X}"], false);
        places_["{NUL}"] = std::string(1, '\0');
        places_["{300}"] = std::string(300, 'a');
        places_["{33000}"] = std::string(33000, 'a');

        const std::string trusted = "<trusted>" + places_["{R}"] + "</trusted>";
        const std::string denyD = "<deny access=\"rwx\" match=\"dir\">" + places_["{D}"] + "</deny>";
        narrow_ = policyFromSettings("<security>" + trusted + "<fileAccess>" + denyD +
                                     "<allow access=\"rwx\" match=\"dir\">" + places_["{T}"] +
                                     "</allow></fileAccess></security>");
        open_ =
            policyFromSettings("<security>" + trusted + "<fileAccess>" + denyD + "<deny access=\"rwx\" match=\"dir\">" +
                               places_["{X}"] + "</deny>" + "<deny access=\"rwx\" match=\"dir\">" + s +
                               "\\Δelta Folder</deny>" + "<allow access=\"rwx\" match=\"*\"/></fileAccess></security>");
    }

    std::string expand(std::string text) const {
        for (;;) {
            size_t open = text.find('{');
            if (open == std::string::npos) return text;
            size_t close = text.find('}', open);
            text.replace(open, close - open + 1, places_.at(text.substr(open, close - open + 1)));
        }
    }

    ScratchDir scratch_;
    std::map<std::string, std::string> places_;
    std::unique_ptr<SecurityPolicy> narrow_, open_;
};

TEST_F(PathAttack, EveryPathIsJudgedByTheObjectItReaches) {
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(places_["{T}"].c_str());
    for (const Attack& attack : kAttacks) {
        std::string path = expand(attack.path);
        if (attack.contents) {
            EXPECT_EQ(contentsOf(path), attack.contents) << attack.path << " does not reach " << attack.reaches;
        }
        std::string narrow = judged(*narrow_, path, attack.access);
        std::string open = judged(*open_, path, attack.access);
        EXPECT_TRUE(answerMatches(narrow, attack.narrow))
            << attack.path << " (reaches " << attack.reaches << "), narrow policy: " << narrow;
        EXPECT_TRUE(answerMatches(open, attack.open))
            << attack.path << " (reaches " << attack.reaches << "), open policy: " << open;
    }
    SetCurrentDirectoryA(previous);
}

// Wine links the documents folder to the Unix home folder: a real link whose
// target a deny rule may name by its own path.
TEST(PathLinks, ADenyRuleOnTheLinkTargetHolds) {
    std::string documents = specialFolderPath(5);
    std::string target = reachedPath(longFullPath(documents));
    if (equalsIgnoreCase(target, longFullPath(documents))) GTEST_SKIP() << "the documents folder is no link here";
    auto policy = policyFromSettings("<security><fileAccess><deny access=\"rw\" match=\"dir\">" + target +
                                     "\\secret</deny><allow access=\"rw\" match=\"dir\">$PERSONAL</allow>"
                                     "</fileAccess></security>");
    EXPECT_TRUE(policy->isAllowed(documents + "\\notes.txt", AccessWrite));
    EXPECT_FALSE(policy->isAllowed(documents + "\\secret\\plan.txt", AccessWrite));
    EXPECT_FALSE(policy->isAllowed(documents + "\\SECRET", AccessRead));
}

}  // namespace
