#pragma once
#include <string>
#include <vector>

#include "security/FileAccessRule.h"
#include "security/FlashExSecurityException.h"
#include "security/SecurityPaths.h"

class MvDOMNode;

// How the policy judged one access: the answer, the long full path judged,
// and what decided (the trusted folder, a rule with its place and text, or
// that no rule allows the access), in words for a movie's author.
struct PolicyDecision {
    bool allowed = false;
    std::string judgedPath;
    std::string reason;
};

// The name of an access for people: "read", "write" or "execute".
const char* accessName(int access);

// Decides whether a path may be read, written or executed: inside the trusted
// directory everything may be read and executed and nothing written; outside
// it the first rule that covers the access and matches the path decides, and
// a path that no rule allows is refused. A path is judged by its long full
// path; when the object it reaches is known to the file system by another name
// (a link, a drive alias, other letter case), a refusal of that name by a deny
// rule or by the trusted directory refuses the path as well. The trusted
// directory and the rule folders that name an absolute path are kept in the
// same long full form, so that short (8.3) spellings match either way.
class SecurityPolicy {
public:
    // Defaults: the folder "trusted" beside the program, no rules, OLE off.
    SecurityPolicy();

    // Reads the security element of the settings file; rules are appended.
    void load(const MvDOMNode& security);

    // access is one of AccessRead, AccessWrite, AccessExecute.
    bool isAllowed(const std::string& path, int access) const;
    // A name that is no path (a web address): the first rule for the access
    // whose pattern matches the text as written decides; the trusted folder
    // never covers it.
    bool isAllowedAsWritten(const std::string& name, int access) const;
    // The same judgement, explained. Throws what isAllowed throws.
    PolicyDecision explain(const std::string& path, int access) const;
    // FlashExSecurityException "file access exception" when refused. Answer
    // the long full path that was judged: the work must use that string, so
    // that what is read or written is what was judged (a drive-relative or
    // relative path resolved once, not again later against another current
    // directory).
    std::string checkRead(const std::string& path) const;
    std::string checkWrite(const std::string& path) const;
    // The same for what the program shows in a way that runs its content
    // (a local page in the web control); no one is asked.
    std::string checkExecute(const std::string& path) const;

    // For the commands that the rules do not govern: a path that may reach
    // the network (a share path, or a device path that leads to one) is
    // judged for access before anything touches it, since reaching a share
    // signs the user in there; FlashExSecurityException "file access
    // exception" when refused. Other paths pass unjudged.
    void checkNetworkPath(const std::string& path, int access) const;

    // Whether the path lies in the trusted folder; a path that may reach the
    // network must first be readable (checkNetworkPath).
    bool isTrustedPath(const std::string& path) const;
    const std::string& trustedDir() const { return trustedDir_; }
    bool oleEnabled() const { return oleEnabled_; }
    // Whether "axWindow" may show names of other schemes than http:, https:
    // and file: ("about:", "javascript:", "MSHTML:" ...): the attribute
    // webContent="1" of the security element.
    bool webContentEnabled() const { return webContentEnabled_; }
    const std::vector<FileAccessRule>& rules() const { return rules_; }

private:
    PolicyDecision judge(const std::string& path, int access) const;
    std::string checked(const std::string& path, int access) const;
    const FileAccessRule* decidingRule(const std::string& n, int access) const;
    // Whether n may be accessed, and why, by the trusted folder and the rules.
    bool decide(const std::string& n, int access, std::string& reason) const;
    bool refusesExplicitly(const std::string& n, int access) const;
    bool liesInTrustedDir(const std::string& n) const;

    std::vector<FileAccessRule> rules_;
    std::string trustedDir_;     // as configured, for trustedDir()
    std::string trustedJudged_;  // its long full form, for the trusted test
    bool oleEnabled_ = false;
    bool webContentEnabled_ = false;
};
