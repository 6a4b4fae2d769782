#include "tbx/ArchiveEntryName.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "tbx/PathString.h"

namespace tbx {

namespace {

[[noreturn]] void refuse() { throw std::runtime_error("invalid file name"); }

bool isDeviceName(const std::string& part) {
    std::string base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) {
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    }
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices) {
        if (base == device) return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '0' &&
           base[3] <= '9';
}

void checkPart(const std::string& part) {
    if (part == ".." || part.back() == '.' || part.back() == ' ' || isDeviceName(part)) refuse();
    for (size_t i = 0; i < part.size(); ++i) {
        unsigned char c = (unsigned char)part[i];
        if (is_lead_byte(part[i])) {
            if (i + 1 >= part.size()) refuse();  // a lead byte without its trail byte
            ++i;
            continue;
        }
        if (c < 0x20 || strchr(":*?\"<>|", c)) refuse();
    }
}

std::vector<std::string> splitParts(const std::string& name) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < name.size(); ++i) {
        if (is_lead_byte(name[i]) && i + 1 < name.size()) {
            parts.back() += name.substr(i, 2);
            ++i;
        } else if (name[i] == '/' || name[i] == '\\') {
            parts.emplace_back();
        } else {
            parts.back() += name[i];
        }
    }
    return parts;
}

}  // namespace

std::string archive_relative_path(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') refuse();
    std::string relative;
    for (const std::string& part : splitParts(name)) {
        if (part.empty() || part == ".") continue;
        checkPart(part);
        if (!relative.empty()) relative += '\\';
        relative += part;
    }
    return relative;
}

}  // namespace tbx
