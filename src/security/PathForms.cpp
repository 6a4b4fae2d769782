#include "security/PathForms.h"

#include <windows.h>
#include <inaddr.h>

#include "security/MultiByteCompare.h"
#include "security/SecurityPaths.h"
#include "tbx/Error.h"
#include "tbx/PathString.h"

namespace security {

namespace {

// ntdll's address parser, looked up when first needed, so that the program
// imports only the usual system DLLs (its header also needs all of Winsock's).
using Ipv4Parser = LONG(NTAPI*)(PCSTR text, BOOLEAN strict, PCSTR* end, IN_ADDR* address);

Ipv4Parser ipv4Parser() {
    static const Ipv4Parser parser = reinterpret_cast<Ipv4Parser>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlIpv4StringToAddressA")));
    return parser;
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool isLoopbackAddress(const std::string& host) {
    IN_ADDR address;
    const char* end = nullptr;
    // Not strict: accepts the short, octal and hexadecimal forms that the
    // network redirector accepts as well.
    Ipv4Parser parse = ipv4Parser();
    if (!parse) return true;  // unable to tell: taken as this machine, which is refused
    if (parse(host.c_str(), FALSE, &end, &address) != 0 || *end != '\0') return false;
    return address.S_un.S_un_b.s_b1 == 127;
}

std::string computerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {0};
    DWORD length = sizeof name;
    return GetComputerNameA(name, &length) ? std::string(name, length) : std::string();
}

// "\\.\", "\\?\" or "\??\" followed by something other than a drive, after
// any number of the "Global" links that lead back to the same names.
bool isObjectPathOffDrive(const std::string& t) {
    if (!startsWith(t, "\\\\.\\") && !startsWith(t, "\\\\?\\") && !startsWith(t, "\\??\\")) return false;
    size_t start = 4;
    for (;;) {
        size_t end = tbx::find_character(t, '\\', start);
        std::string name = t.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!equalsIgnoreCase(name, "Global") || end == std::string::npos) {
            bool drive = name.size() == 2 && name[1] == ':' && !tbx::is_lead_byte(name[0]);
            return !drive;
        }
        start = end + 1;
    }
}

bool reachesNetwork(const std::string& t) {
    return (isUncPath(t) && !isDeviceNamespacePath(t)) || isObjectPathOffDrive(t);
}

}  // namespace

bool mayReachNetwork(const std::string& path) {
    if (reachesNetwork(tbx::replace_characters(path, "/", '\\'))) return true;
    try {
        return reachesNetwork(fullPathWithoutLookup(path));
    } catch (const tbx::Error&) {
        return false;  // no absolute form: the file functions cannot open it either
    }
}

bool isUncPath(const std::string& n) { return startsWith(n, "\\\\"); }

bool isDeviceNamespacePath(const std::string& n) { return startsWith(n, "\\\\.\\") || startsWith(n, "\\\\?\\"); }

bool namesStream(const std::string& n) {
    size_t colon = tbx::find_character(n, ':');
    if (colon == 1 && !isUncPath(n)) colon = tbx::find_character(n, ':', 2);
    return colon != std::string::npos;
}

bool namesThisMachine(const std::string& n) {
    if (!isUncPath(n)) return false;
    size_t end = tbx::find_character(n, '\\', 2);
    std::string host = n.substr(2, end == std::string::npos ? std::string::npos : end - 2);
    // A trailing dot names the same host in DNS.
    while (!host.empty() && host.back() == '.') host.pop_back();
    std::string computer = computerName();
    return equalsIgnoreCase(host, "localhost") || isLoopbackAddress(host) ||
           endsWithIgnoreCase(host, ".ipv6-literal.net") || (!computer.empty() && equalsIgnoreCase(host, computer));
}

}  // namespace security
