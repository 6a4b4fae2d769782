#include "security/SecurityPolicy.h"

#include <windows.h>

#include "FlashEx/MvException.h"
#include "dom/MvDOMNode.h"
#include "security/MultiByteCompare.h"
#include "security/RulePath.h"

namespace {

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool isUncPath(const std::string& n) { return startsWith(n, "\\\\"); }

// "\\.\" and "\\?\" name devices and raw object paths that the rules, written
// as drive and UNC paths, cannot describe; DOS device names (CON, NUL, COM1)
// come out of the full-path service in this form.
bool isDeviceNamespacePath(const std::string& n) { return startsWith(n, "\\\\.\\") || startsWith(n, "\\\\?\\"); }

// A ':' anywhere but after a drive letter names an alternate data stream
// ("x::$DATA", "dir::$INDEX_ALLOCATION"), which reaches the named file or
// directory itself while matching none of the rules written for it.
bool namesStream(const std::string& n) {
    size_t colon = findCharacter(n, ':');
    if (colon == 1 && !isUncPath(n)) colon = findCharacter(n, ':', 2);
    return colon != std::string::npos;
}

// A share of this machine (\\localhost\C$\x, \\127.0.0.1\c$\x, \\NAME\...)
// reaches local files under a name that neither the trusted directory nor
// the rules recognise.
bool namesThisMachine(const std::string& n) {
    size_t end = findCharacter(n, '\\', 2);
    std::string host = n.substr(2, end == std::string::npos ? std::string::npos : end - 2);
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {0};
    DWORD length = sizeof computer;
    bool haveName = GetComputerNameA(computer, &length) != FALSE;
    return equalsIgnoreCase(host, "localhost") || startsWith(host, "127.") || equalsIgnoreCase(host, "[::1]") ||
           (haveName && equalsIgnoreCase(host, computer));
}

[[noreturn]] void throwInvalidName(const std::string& path) {
    throw MvException("path format error " + std::string(path.c_str()) + " code=" + std::to_string(ERROR_INVALID_NAME));
}

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
    if (path.find('\0') != std::string::npos) throwInvalidName(path);
    if (access != AccessRead && access != AccessWrite && access != AccessExecute) return false;

    std::string n = longFullPath(path);
    if (isDeviceNamespacePath(n) || (isUncPath(n) && namesThisMachine(n))) return false;
    if (namesStream(n)) throwInvalidName(path);
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
