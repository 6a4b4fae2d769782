#include "security/SecurityPolicy.h"

#include <windows.h>

#include "FlashEx/MvException.h"
#include "dom/MvDOMNode.h"
#include "security/MultiByteCompare.h"
#include "security/PathForms.h"
#include "security/RulePath.h"

using namespace security;

namespace {

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

SecurityPolicy& SecurityPolicy::instance() {
    static SecurityPolicy policy;
    return policy;
}

SecurityPolicy::SecurityPolicy() : trustedDir_(moduleDirectory(true) + "trusted") {}

void SecurityPolicy::load(const MvDOMNode& security) {
    std::string trusted = security.findChild("trusted").getText();
    if (!trusted.empty()) trustedDir_ = expandEnvironment(trusted);
    oleEnabled_ = security.getAttribute("oleEnabled") == "1";

    const MvDOMNode& fileAccess = security.findChild("fileAccess");
    for (unsigned i = 0; i < fileAccess.childCount(); ++i) {
        const MvDOMNode& element = *fileAccess.childAt(i);
        std::string name = element.getName();
        if (element.getKind() != MvDOM_ELEMENT || (name != "allow" && name != "deny")) continue;
        FileAccessRule rule;
        rule.text = element.getText();
        rule.access = parseAccessLetters(element.getAttribute("access"));
        rule.match = parseMatchKind(element.getAttribute("match"));
        rule.allow = name == "allow";
        rule.justBelow = element.getAttribute("justBelow") == "1";
        rule.path = expandRulePath(rule.text);
        rules_.push_back(rule);
    }
}

bool SecurityPolicy::isAllowed(const std::string& path, int access) const {
    if (startsWith(path, "\\\\?\\")) throw FlashExException("path format error \\\\?\\");
    // The file functions stop at a NUL; a name that reads differently to
    // different callers is refused.
    if (path.find('\0') != std::string::npos) throwPathFormatError(path, ERROR_INVALID_NAME);
    if (access != AccessRead && access != AccessWrite && access != AccessExecute) return false;

    std::string n = longFullPath(path);
    if (isDeviceNamespacePath(n) || namesThisMachine(n)) return false;
    if (namesStream(n)) throwPathFormatError(path, ERROR_INVALID_NAME);
    if (!decide(n, access)) return false;
    std::string reached = reachedPath(n);
    return reached == n || !refusesExplicitly(reached, access);
}

void SecurityPolicy::checkRead(const std::string& path) const {
    if (!isAllowed(path, AccessRead)) throw FlashExSecurityException("file access exception");
}

void SecurityPolicy::checkWrite(const std::string& path) const {
    if (!isAllowed(path, AccessWrite)) throw FlashExSecurityException("file access exception");
}

bool SecurityPolicy::isTrustedPath(const std::string& path) const { return liesInTrustedDir(longFullPath(path)); }

const FileAccessRule* SecurityPolicy::decidingRule(const std::string& n, int access) const {
    for (const FileAccessRule& rule : rules_) {
        if (!rule.covers(access)) continue;
        // A share may hold any folder that a deny rule names, under a name
        // the rule cannot know, so every deny rule applies to UNC paths.
        if (rule.matches(n) || (!rule.allow && isUncPath(n))) return &rule;
    }
    return nullptr;
}

bool SecurityPolicy::decide(const std::string& n, int access) const {
    if (liesInTrustedDir(n)) return access != AccessWrite;
    const FileAccessRule* rule = decidingRule(n, access);
    return rule != nullptr && rule->allow;
}

bool SecurityPolicy::refusesExplicitly(const std::string& n, int access) const {
    if (liesInTrustedDir(n)) return access == AccessWrite;
    const FileAccessRule* rule = decidingRule(n, access);
    return rule != nullptr && !rule->allow;
}

bool SecurityPolicy::liesInTrustedDir(const std::string& n) const {
    const std::string& t = trustedDir_;
    return !t.empty() && startsWithIgnoreCase(n, t) && (n.size() == t.size() || n[t.size()] == '\\');
}
