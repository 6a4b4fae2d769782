#include "security/SecurityPolicy.h"

#include "tbx/CommandPaths.h"

#include <windows.h>

#include "tbx/MvException.h"
#include "dom/MvDOMNode.h"
#include "security/MultiByteCompare.h"
#include "security/PathForms.h"
#include "security/RulePath.h"
#include "tbx/PathString.h"

using namespace security;

namespace {

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// "C:\..." or "\\server\...": a name that does not depend on a current
// directory. Raw object paths ("\\?\", "\\.\") are no such name.
bool isAbsoluteName(const std::string& path) {
    if (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/') && !tbx::is_lead_byte(path[0]))
        return true;
    return isUncPath(path) && !isDeviceNamespacePath(path);
}

// A configured folder in the long full form that judged paths take, so that
// a short (8.3) spelling of it, or of the program's folder, matches the long
// form of the same folder. Relative and drive-relative texts and texts that
// are no valid path stay as written. A trailing separator is kept, since it
// decides whether the folder covers what lies below.
std::string judgedForm(const std::string& path) {
    if (!isAbsoluteName(path)) return path;
    std::string judged;
    try {
        judged = longFullPath(path);
    } catch (const MvException&) {
        return path;
    }
    if (tbx::ends_with_separator(path) && !tbx::ends_with_separator(judged)) judged += '\\';
    return judged;
}

}  // namespace

SecurityPolicy::SecurityPolicy()
    : trustedDir_(moduleDirectory(true) + "trusted"), trustedJudged_(judgedForm(trustedDir_)) {}

void SecurityPolicy::load(const MvDOMNode& security) {
    // Texts mean what they say when the settings file indents them.
    std::string trusted = tbx::trim_blanks(security.findChild("trusted").getText());
    if (!trusted.empty()) {
        trustedDir_ = expandEnvironment(trusted);
        trustedJudged_ = judgedForm(trustedDir_);
    }
    oleEnabled_ = security.getAttribute("oleEnabled") == "1";
    webContentEnabled_ = security.getAttribute("webContent") == "1";

    const MvDOMNode& fileAccess = security.findChild("fileAccess");
    for (unsigned i = 0; i < fileAccess.childCount(); ++i) {
        const MvDOMNode& element = *fileAccess.childAt(i);
        std::string name = element.getName();
        if (element.getKind() != MvDOM_ELEMENT || (name != "allow" && name != "deny")) continue;
        FileAccessRule rule;
        rule.text = tbx::trim_blanks(element.getText());
        rule.access = parseAccessLetters(element.getAttribute("access"));
        rule.match = parseMatchKind(element.getAttribute("match"));
        rule.allow = name == "allow";
        rule.justBelow = element.getAttribute("justBelow") == "1";
        rule.position = static_cast<int>(rules_.size()) + 1;
        rule.description = "rule " + std::to_string(rule.position) + " (" + name + ", access \"" +
                           element.getAttribute("access") + "\", match \"" + element.getAttribute("match") + "\"" +
                           (rule.justBelow ? ", justBelow" : "") + "): " + rule.text;
        rule.path = expandRulePath(rule.text);
        // A suffix is no folder; "*" compares with nothing.
        if (rule.match == MatchDir || rule.match == MatchExact) rule.path = judgedForm(rule.path);
        rules_.push_back(rule);
    }
}

const char* accessName(int access) {
    switch (access) {
        case AccessRead:
            return "read";
        case AccessWrite:
            return "write";
        case AccessExecute:
            return "execute";
    }
    return "no access";
}

PolicyDecision SecurityPolicy::judge(const std::string& path, int access) const {
    if (startsWith(path, "\\\\?\\")) throw FlashExException("path format error \\\\?\\");
    // The file functions pass "\??\" on to the object manager untouched,
    // while the full-path service takes it for a folder "??" on the current
    // drive: the name judged would not be the one opened.
    if (startsWith(path, "\\??\\")) throw FlashExException("path format error \\??\\");
    // The file functions stop at a NUL; a name that reads differently to
    // different callers is refused.
    if (path.find('\0') != std::string::npos) throwPathFormatError(path, ERROR_INVALID_NAME);
    PolicyDecision decision;
    decision.judgedPath = path;
    if (access != AccessRead && access != AccessWrite && access != AccessExecute) {
        decision.reason = "no such access";
        return decision;
    }
    // Asking for the long form of a share path contacts its server, which
    // signs the user in there: a share path refused as written stays
    // untouched, and so does every device or object path that may lead to one.
    if (mayReachNetwork(path)) {
        std::string full = fullPathWithoutLookup(path);
        decision.judgedPath = full;
        if (!isUncPath(full) || isDeviceNamespacePath(full)) {
            decision.reason = "device and object paths are never reached";
            return decision;
        }
        if (!decide(full, access, decision.reason)) {
            decision.reason += " (a share path, judged as written)";
            return decision;
        }
    }

    std::string n = longFullPath(path);
    decision.judgedPath = n;
    if (isDeviceNamespacePath(n) || namesThisMachine(n)) {
        decision.reason = "devices and this machine's own shares are never reached";
        return decision;
    }
    if (namesStream(n)) throwPathFormatError(path, ERROR_INVALID_NAME);
    if (!decide(n, access, decision.reason)) return decision;
    std::string reached = reachedPath(n);
    // A drive mapped to one of this machine's own shares reaches local files
    // under a name that neither the trusted directory nor the rules know.
    if (reached != n && (isDeviceNamespacePath(reached) || namesThisMachine(reached))) {
        decision.reason = "it reaches " + reached + ", a device or this machine's own share";
        return decision;
    }
    if (reached != n && refusesExplicitly(reached, access)) {
        std::string refusal;
        decide(reached, access, refusal);
        decision.reason = "its real name " + reached + " is refused: " + refusal;
        return decision;
    }
    decision.allowed = true;
    return decision;
}

bool SecurityPolicy::isAllowed(const std::string& path, int access) const { return judge(path, access).allowed; }

bool SecurityPolicy::isAllowedAsWritten(const std::string& name, int access) const {
    const FileAccessRule* rule = decidingRule(name, access);
    return rule != nullptr && rule->allow;
}

PolicyDecision SecurityPolicy::explain(const std::string& path, int access) const { return judge(path, access); }

std::string SecurityPolicy::checked(const std::string& path, int access) const {
    PolicyDecision decision = judge(path, access);
    if (!decision.allowed)
        throw FlashExSecurityException("file access exception", std::string("refused ") + accessName(access) + " of " +
                                                                    decision.judgedPath + ": " + decision.reason);
    tbx::noteCommandPath(decision.judgedPath);
    return decision.judgedPath;
}

std::string SecurityPolicy::checkRead(const std::string& path) const { return checked(path, AccessRead); }

std::string SecurityPolicy::checkWrite(const std::string& path) const { return checked(path, AccessWrite); }

std::string SecurityPolicy::checkExecute(const std::string& path) const { return checked(path, AccessExecute); }

bool SecurityPolicy::isTrustedPath(const std::string& path) const {
    checkNetworkPath(path, AccessRead);
    return liesInTrustedDir(longFullPath(path));
}

void SecurityPolicy::checkNetworkPath(const std::string& path, int access) const {
    if (mayReachNetwork(path)) checked(path, access);
}

// A share path is judged by the rules that match it, like any other path;
// this machine's own shares never get this far.
const FileAccessRule* SecurityPolicy::decidingRule(const std::string& n, int access) const {
    for (const FileAccessRule& rule : rules_) {
        if (rule.covers(access) && rule.matches(n)) return &rule;
    }
    return nullptr;
}

bool SecurityPolicy::decide(const std::string& n, int access, std::string& reason) const {
    if (liesInTrustedDir(n)) {
        reason = (access == AccessWrite ? "the trusted folder is never written: " : "inside the trusted folder: ") +
                 trustedDir_;
        return access != AccessWrite;
    }
    const FileAccessRule* rule = decidingRule(n, access);
    reason = rule != nullptr ? rule->description : std::string("no rule allows it");
    return rule != nullptr && rule->allow;
}

bool SecurityPolicy::refusesExplicitly(const std::string& n, int access) const {
    if (liesInTrustedDir(n)) return access == AccessWrite;
    const FileAccessRule* rule = decidingRule(n, access);
    return rule != nullptr && !rule->allow;
}

bool SecurityPolicy::liesInTrustedDir(const std::string& n) const {
    const std::string& t = trustedJudged_;
    return !t.empty() && startsWithIgnoreCase(n, t) && (n.size() == t.size() || n[t.size()] == '\\');
}
