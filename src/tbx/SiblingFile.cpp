#include "tbx/SiblingFile.h"

#include "tbx/PathString.h"

namespace tbx {

namespace {

const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr unsigned kRadix = sizeof kDigits - 1;
constexpr size_t kMaxNameLength = 8;
constexpr int kAttempts = 100;

// A name of exactly `length` characters for the number n.
std::string candidateName(size_t length, unsigned n) {
    if (length == 1) return std::string(1, kDigits[n % kRadix]);
    std::string name(length, '0');
    name[0] = '~';
    for (size_t i = length - 1; i > 0; --i, n /= kRadix) name[i] = kDigits[n % kRadix];
    return name;
}

bool sameName(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

}  // namespace

FileHandle create_file_beside(const std::string& target, std::string& path) {
    size_t separator = last_separator(target);
    std::string directory = separator == std::string::npos ? std::string() : target.substr(0, separator + 1);
    std::string name = file_name_of(target);
    size_t length = name.size() < kMaxNameLength ? name.size() : kMaxNameLength;
    if (length == 0) return FileHandle();
    static LONG counter = 0;
    unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 12) ^ (unsigned)InterlockedIncrement(&counter) * 7919u;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string candidate = candidateName(length, seed + (unsigned)attempt);
        if (sameName(candidate, name)) continue;
        FileHandle file(CreateFileA((directory + candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            path = directory + candidate;
            return file;
        }
        DWORD error = GetLastError();
        // Taken by a file or a directory: try the next name; anything else
        // (a missing directory, a full disk) will not change.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) break;
    }
    return FileHandle();
}

}  // namespace tbx
