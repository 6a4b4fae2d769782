#include <windows.h>

#include "tbx/MvException.h"
#include "MovaraTest.h"
#include "PolicyTestSupport.h"

namespace {

using movara_test::ScratchDir;

const char kBuiltInSecurity[] =
    "<security oleEnabled=\"1\"><trusted>%MVR_APP_PATH%\\trusted</trusted>"
    "<fileAccess><allow match=\"*\" access=\"rwx\" /></fileAccess></security>";

std::string defaultTrustedDir() { return movara_test::executableDirectory() + "\\trusted"; }

std::string shortPathOf(const std::string& path) {
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return std::string(buffer, length);
}

TEST(SecurityPolicyLoad, WithoutSecuritySettingsEverythingOutsideTrustedIsRefused) {
    for (const char* security : {"", "<security/>", "<security oleEnabled=\"0\"><fileAccess/></security>"}) {
        auto policy = policyFromSettings(security);
        EXPECT_FALSE(policy->oleEnabled()) << security;
        EXPECT_EQ(policy->trustedDir(), defaultTrustedDir());
        EXPECT_TRUE(policy->rules().empty());
        EXPECT_FALSE(policy->isAllowed("C:\\x.txt", AccessRead));
        EXPECT_FALSE(policy->isAllowed("C:\\x.txt", AccessExecute));
        EXPECT_TRUE(policy->isAllowed(defaultTrustedDir() + "\\movie.swf", AccessRead));
        EXPECT_FALSE(policy->isAllowed(defaultTrustedDir() + "\\movie.swf", AccessWrite));
    }
}

TEST(SecurityPolicyLoad, BuiltInDefaultsAllowAllButWritingIntoTrusted) {
    SetEnvironmentVariableA("MVR_APP_PATH", movara_test::executableDirectory().c_str());
    auto policy = policyFromSettings(kBuiltInSecurity);
    EXPECT_TRUE(policy->oleEnabled());
    EXPECT_EQ(policy->trustedDir(), defaultTrustedDir());
    for (int access : {AccessRead, AccessWrite, AccessExecute}) EXPECT_TRUE(policy->isAllowed("C:\\x.txt", access));
    EXPECT_TRUE(policy->isAllowed(defaultTrustedDir(), AccessRead));
    EXPECT_FALSE(policy->isAllowed(defaultTrustedDir(), AccessWrite));
    EXPECT_FALSE(policy->isAllowed(defaultTrustedDir() + "\\sub\\new.txt", AccessWrite));
    EXPECT_TRUE(policy->isAllowed(defaultTrustedDir() + "2\\new.txt", AccessWrite));
}

TEST(SecurityPolicyLoad, ReadsRuleAttributes) {
    auto policy = policyFromSettings(
        "<security oleEnabled=\"yes\"><fileAccess>"
        "<allow access=\"rwx\" match=\"dir\" justBelow=\"1\">C:\\a</allow>"
        "<!-- skipped --><note>C:\\skipped</note>"
        "<deny access=\"w-zr\" match=\"right\">.exe</deny>"
        "<allow access=\"RWX\" match=\"DIR\">C:\\b</allow>"
        "<allow match=\"Right\" justBelow=\"true\">C:\\c</allow>"
        "</fileAccess></security>");
    EXPECT_FALSE(policy->oleEnabled());
    const auto& rules = policy->rules();
    ASSERT_EQ(rules.size(), 4u);
    EXPECT_TRUE(rules[0].allow && rules[0].justBelow);
    EXPECT_EQ(rules[0].match, MatchDir);
    EXPECT_EQ(rules[0].access, AccessRead | AccessWrite | AccessExecute);
    EXPECT_FALSE(rules[1].allow);
    EXPECT_EQ(rules[1].match, MatchRight);
    EXPECT_EQ(rules[1].access, AccessRead | AccessWrite);
    // Letters and match values are case-sensitive.
    EXPECT_EQ(rules[2].access, 0);
    EXPECT_EQ(rules[2].match, MatchExact);
    EXPECT_EQ(rules[3].match, MatchExact);
    EXPECT_FALSE(rules[3].justBelow);
    // A rule for no access never applies, not even to its own path.
    EXPECT_FALSE(policy->isAllowed("C:\\b", AccessRead));
}

// An indented policy means what it says: the blanks around a text are no part
// of its path.
TEST(SecurityPolicyLoad, TextsAreTrimmedOfTheBlanksAroundThem) {
    auto policy = policyFromSettings(
        "<security><trusted>\n    C:\\trusted\n  </trusted><fileAccess>"
        "<allow access=\"r\" match=\"dir\">\n    C:\\data\n  </allow>"
        "<allow access=\"r\" match=\"=\">\r\n\tC:\\exact.txt \r\n</allow>"
        "</fileAccess></security>");
    EXPECT_EQ(policy->trustedDir(), "C:\\trusted");
    EXPECT_TRUE(policy->isAllowed("C:\\trusted\\x", AccessRead));
    EXPECT_TRUE(policy->isAllowed("C:\\data\\x", AccessRead));
    EXPECT_TRUE(policy->isAllowed("C:\\exact.txt", AccessRead));
    EXPECT_EQ("C:\\data", policy->rules()[0].text);
}

// What decided, in words: the trusted folder, the first covering rule with its
// place, or no rule; a refused real name behind a link says so too.
TEST(SecurityPolicyDecision, EveryJudgementSaysWhatDecidedIt) {
    auto policy = policyFromSettings(
        "<security><trusted>C:\\trusted</trusted><fileAccess>"
        "<deny access=\"rw\" match=\"dir\">C:\\data\\locked</deny>"
        "<allow access=\"rw\" match=\"dir\" justBelow=\"1\">C:\\data</allow>"
        "</fileAccess></security>");
    struct Case {
        const char* path;
        int access;
        bool allowed;
        const char* reason;
    } cases[] = {
        {"C:\\trusted\\a.exe", AccessExecute, true, "inside the trusted folder: C:\\trusted"},
        {"C:\\trusted\\a.txt", AccessWrite, false, "the trusted folder is never written: C:\\trusted"},
        {"C:\\data\\locked\\a", AccessRead, false, "rule 1 (deny, access \"rw\", match \"dir\"): C:\\data\\locked"},
        {"C:\\data\\a.txt", AccessWrite, true, "rule 2 (allow, access \"rw\", match \"dir\", justBelow): C:\\data"},
        {"C:\\data\\a.txt", AccessExecute, false, "no rule allows it"},
        {"C:\\elsewhere\\a.txt", AccessRead, false, "no rule allows it"},
    };
    for (const Case& c : cases) {
        PolicyDecision decision = policy->explain(c.path, c.access);
        EXPECT_EQ(c.allowed, decision.allowed) << c.path;
        EXPECT_EQ(c.reason, decision.reason) << c.path;
        EXPECT_EQ(c.path, decision.judgedPath);
        EXPECT_EQ(c.allowed, policy->isAllowed(c.path, c.access)) << c.path;
    }
}

TEST(SecurityPolicyLoad, TrustedTextExpandsEnvironmentButNotSpecialFolders) {
    SetEnvironmentVariableA("MVR_TRUSTED_TEST", "C:\\somewhere");
    EXPECT_EQ(policyFromSettings("<security><trusted>%MVR_TRUSTED_TEST%\\t</trusted></security>")->trustedDir(),
              "C:\\somewhere\\t");
    EXPECT_EQ(policyFromSettings("<security><trusted>$APPDATA\\x</trusted></security>")->trustedDir(), "$APPDATA\\x");
    EXPECT_EQ(policyFromSettings("<security><trusted></trusted></security>")->trustedDir(), defaultTrustedDir());
}

TEST(SecurityPolicyDecision, FirstCoveringRuleDecides) {
    auto denyFirst = policyFromSettings(
        "<security><fileAccess><deny access=\"rw\" match=\"dir\">C:\\data</deny>"
        "<allow access=\"rw\" match=\"dir\">C:\\data</allow></fileAccess></security>");
    EXPECT_FALSE(denyFirst->isAllowed("C:\\data\\x.txt", AccessRead));
    auto allowFirst = policyFromSettings(
        "<security><fileAccess><allow access=\"rw\" match=\"dir\">C:\\data</allow>"
        "<deny access=\"rw\" match=\"dir\">C:\\data</deny></fileAccess></security>");
    EXPECT_TRUE(allowFirst->isAllowed("C:\\data\\x.txt", AccessRead));
    // A write rule is not consulted for a read, nor for execution.
    auto writeOnly = policyFromSettings(
        "<security><fileAccess><allow access=\"w\" match=\"dir\">C:\\data</allow></fileAccess></security>");
    EXPECT_TRUE(writeOnly->isAllowed("C:\\data\\x.txt", AccessWrite));
    EXPECT_FALSE(writeOnly->isAllowed("C:\\data\\x.txt", AccessRead));
    EXPECT_FALSE(writeOnly->isAllowed("C:\\data\\x.txt", AccessExecute));
}

TEST(SecurityPolicyDecision, DirectoryRules) {
    auto policy = policyFromSettings(
        "<security><fileAccess><allow access=\"r\" match=\"dir\">C:\\data</allow>"
        "<allow access=\"w\" match=\"dir\" justBelow=\"1\">C:\\data</allow>"
        "<allow access=\"x\" match=\"dir\">C:\\slash\\</allow>"
        "<allow access=\"x\" match=\"dir\">D:</allow></fileAccess></security>");
    for (const char* inside : {"C:\\data", "C:\\DATA\\x.txt", "C:\\data\\sub\\y.txt", "c:/data/sub/../x"})
        EXPECT_TRUE(policy->isAllowed(inside, AccessRead)) << inside;
    EXPECT_FALSE(policy->isAllowed("C:\\database", AccessRead));
    EXPECT_FALSE(policy->isAllowed("C:\\dat", AccessRead));
    EXPECT_TRUE(policy->isAllowed("C:\\data\\x.txt", AccessWrite));
    EXPECT_FALSE(policy->isAllowed("C:\\data\\sub\\y.txt", AccessWrite));
    // The trail byte of 表 is '\', yet 表.txt lies directly in the folder.
    EXPECT_TRUE(policy->isAllowed("C:\\data\\表.txt", AccessWrite));
    EXPECT_FALSE(policy->isAllowed("C:\\data\\表\\x.txt", AccessWrite));
    // A directory written with a trailing backslash covers nothing below it.
    EXPECT_FALSE(policy->isAllowed("C:\\slash\\x.txt", AccessExecute));
    // A drive written without a backslash covers the whole drive.
    EXPECT_TRUE(policy->isAllowed("D:\\any\\where.exe", AccessExecute));
}

TEST(SecurityPolicyDecision, SuffixAndExactRules) {
    auto policy = policyFromSettings(
        "<security><fileAccess><allow access=\"r\" match=\"right\">.swf</allow>"
        "<allow access=\"w\" match=\"=\">C:\\Exact\\File.txt</allow></fileAccess></security>");
    EXPECT_TRUE(policy->isAllowed("C:\\movies\\A.SWF", AccessRead));
    EXPECT_FALSE(policy->isAllowed("C:\\movies\\a.swf.bak", AccessRead));
    EXPECT_TRUE(policy->isAllowed("c:\\exact\\file.TXT", AccessWrite));
    EXPECT_FALSE(policy->isAllowed("C:\\Exact\\File.txt2", AccessWrite));
    EXPECT_FALSE(policy->isAllowed("C:\\Exact", AccessWrite));
}

TEST(SecurityPolicyDecision, TrustedDirectoryComesBeforeRules) {
    ScratchDir scratch;
    auto policy = policyFromSettings("<security><trusted>" + scratch.path() +
                                     "</trusted><fileAccess><deny access=\"rwx\" match=\"*\"/>"
                                     "</fileAccess></security>");
    EXPECT_TRUE(policy->isAllowed(scratch / "a\\b.swf", AccessRead));
    EXPECT_TRUE(policy->isAllowed(scratch.path(), AccessExecute));
    EXPECT_FALSE(policy->isAllowed(scratch / "a", AccessWrite));
    EXPECT_TRUE(policy->isTrustedPath(scratch / "a/../b"));
    EXPECT_FALSE(policy->isTrustedPath(scratch.path() + "x"));
    auto slashed = policyFromSettings("<security><trusted>" + scratch.path() + "\\</trusted></security>");
    EXPECT_FALSE(slashed->isAllowed(scratch / "a", AccessRead));
    EXPECT_FALSE(slashed->isTrustedPath(scratch / "a"));
}

TEST(SecurityPolicyDecision, ChecksRaiseTheSecurityException) {
    auto policy = policyFromSettings(
        "<security><fileAccess><allow access=\"r\" match=\"dir\">C:\\readable</allow></fileAccess></security>");
    EXPECT_NO_THROW(policy->checkRead("C:\\readable\\x"));
    try {
        policy->checkWrite("C:\\readable\\x");
        FAIL() << "a refused write passed";
    } catch (const FlashExSecurityException& e) {
        EXPECT_EQ(e.getMessage(), "file access exception");
    }
    EXPECT_THROW(policy->checkRead("C:\\elsewhere"), FlashExSecurityException);
}

TEST(SecurityPolicyDecision, RawObjectPathsAreAFormatError) {
    auto policy =
        policyFromSettings("<security><fileAccess><allow access=\"rwx\" match=\"*\"/></fileAccess></security>");
    EXPECT_EQ(messageOf([&] { policy->isAllowed("\\\\?\\C:\\x", AccessRead); }), "path format error \\\\?\\");
    EXPECT_EQ(messageOf([&] { policy->checkWrite("\\\\?\\C:\\x"); }), "path format error \\\\?\\");
    EXPECT_THROW(policy->checkRead("\\\\?\\C:\\x"), FlashExException);
    // "\??\" reaches the object manager as it stands, whatever the full-path service makes of it.
    for (const char* path : {"\\??\\C:\\x", "\\??\\UNC\\localhost\\C$\\x"})
        EXPECT_EQ(messageOf([&] { policy->checkRead(path); }), "path format error \\??\\") << path;
}

TEST(SecurityPolicyDecision, ChecksAnswerTheLongFullPathTheyJudged) {
    ScratchDir scratch;
    movara_test::makeDirectory(scratch / "Long Folder");
    auto policy =
        policyFromSettings("<security><fileAccess><allow access=\"rw\" match=\"*\"/></fileAccess></security>");
    EXPECT_EQ(policy->checkRead(shortPathOf(scratch / "Long Folder") + "/sub/../x.txt"),
              scratch / "Long Folder\\x.txt");
    EXPECT_EQ(policy->checkWrite(scratch / "Long Folder\\new "), scratch / "Long Folder\\new");
}

TEST(SecurityPolicyDecision, RulesWithEnvironmentAndSpecialFolders) {
    ScratchDir scratch;
    SetEnvironmentVariableA("MVR_APP_PATH", scratch.path().c_str());
    auto policy = policyFromSettings(
        "<security><fileAccess>"
        "<allow access=\"r\" match=\"dir\">%MVR_APP_PATH%\\data</allow>"
        "<allow access=\"w\" match=\"dir\">$PERSONAL\\notes</allow>"
        "<allow access=\"r\" match=\"dir\">$OTHER\\x</allow>"
        "<allow access=\"x\" match=\"dir\">$WINDOWS</allow>"
        "</fileAccess></security>");
    EXPECT_EQ(policy->rules()[0].path, scratch.path() + "\\data");
    EXPECT_EQ(policy->rules()[1].path, specialFolderPath(5) + "\\notes");
    EXPECT_EQ(policy->rules()[2].path, "$OTHER\\x");
    EXPECT_TRUE(policy->isAllowed(scratch / "data\\file.txt", AccessRead));
    // The documents folder is a real one here (under Wine a link to the home folder).
    std::string notes = specialFolderPath(5) + "\\notes";
    ASSERT_TRUE(movara_test::directoryExists(specialFolderPath(5)));
    EXPECT_TRUE(policy->isAllowed(notes + "\\today.txt", AccessWrite));
    EXPECT_FALSE(policy->isAllowed(specialFolderPath(5) + "\\other.txt", AccessWrite));
    EXPECT_TRUE(policy->isAllowed(specialFolderPath(37) + "\\notepad.exe", AccessExecute));
    SetEnvironmentVariableA("MVR_APP_PATH", movara_test::executableDirectory().c_str());
}

// A share path is judged by the rules that match it: a deny rule written for
// this machine's folders does not refuse another machine's files, while this
// machine's own shares stay refused whatever the rules say.
TEST(SecurityPolicyDecision, SharesAreJudgedByTheRulesThatMatchThem) {
    auto movies = policyFromSettings(
        "<security><fileAccess><deny access=\"r\" match=\"right\">.key</deny>"
        "<allow access=\"r\" match=\"dir\">\\\\fileserver\\movies</allow>"
        "</fileAccess></security>");
    EXPECT_TRUE(movies->isAllowed("\\\\fileserver\\movies\\a.swf", AccessRead));
    EXPECT_FALSE(movies->isAllowed("\\\\fileserver\\movies\\b.key", AccessRead));
    EXPECT_FALSE(movies->isAllowed("\\\\fileserver\\other\\a.swf", AccessRead));
    auto open = policyFromSettings(
        "<security><fileAccess><deny access=\"w\" match=\"dir\">C:\\secret</deny>"
        "<allow access=\"rw\" match=\"*\"/></fileAccess></security>");
    EXPECT_TRUE(open->isAllowed("\\\\fileserver\\share\\a.txt", AccessRead));
    EXPECT_TRUE(open->isAllowed("\\\\fileserver\\share\\a.txt", AccessWrite));
    for (const char* own : {"\\\\localhost\\share\\a.txt", "\\\\127.0.0.1\\C$\\secret\\a.txt"})
        EXPECT_FALSE(open->isAllowed(own, AccessRead)) << own;
}

// Judged paths are long full paths, so the trusted folder and every folder
// a rule names by an absolute path are kept in that form too; a short (8.3)
// spelling of them still refuses what it names.
TEST(SecurityPolicyLoad, TrustedAndRuleFoldersTakeTheirLongForm) {
    ScratchDir scratch;
    movara_test::makeDirectory(scratch / "Trusted Folder");
    movara_test::makeDirectory(scratch / "Secret Folder");
    std::string trusted = shortPathOf(scratch / "Trusted Folder");
    std::string secret = shortPathOf(scratch / "Secret Folder");
    ASSERT_NE(trusted, scratch / "Trusted Folder") << "no short names here";
    auto policy = policyFromSettings("<security><trusted>" + trusted + "</trusted><fileAccess>" +
                                     "<deny access=\"rw\" match=\"dir\">" + secret + "</deny>" +
                                     "<deny access=\"rw\" match=\"=\">" + secret + "\\new.txt</deny>" +
                                     "<allow access=\"rw\" match=\"*\"/></fileAccess></security>");
    EXPECT_EQ(policy->trustedDir(), trusted);  // as configured
    EXPECT_FALSE(policy->isAllowed(scratch / "Trusted Folder\\new.txt", AccessWrite));
    EXPECT_TRUE(policy->isTrustedPath(scratch / "Trusted Folder\\movie.swf"));
    EXPECT_FALSE(policy->isAllowed(scratch / "Secret Folder\\a.txt", AccessRead));
    EXPECT_EQ(policy->rules()[1].path, scratch / "Secret Folder\\new.txt");
    // A trailing separator still keeps the folder from covering what lies below.
    auto slashed = policyFromSettings("<security><fileAccess><allow access=\"r\" match=\"dir\">" + secret +
                                      "\\</allow></fileAccess></security>");
    EXPECT_FALSE(slashed->isAllowed(scratch / "Secret Folder\\a.txt", AccessRead));
}

TEST(SecurityPolicyDecision, UnknownMatchKindIsAnError) {
    FileAccessRule rule;
    rule.match = static_cast<MatchKind>(7);
    EXPECT_EQ(messageOf([&] { rule.matches("C:\\x"); }), "invalid match type");
}

}  // namespace
