#include "bridge/host/ApiKey.h"

#include <windows.h>
#include <ntsecapi.h>

#include <cstdio>

#include "bridge/host/Md5.h"
#include "tbx/Base64.h"

std::string apiKeyFor(uint64_t counter, const std::string& salt) {
    char text[32];
    snprintf(text, sizeof(text), "%llx", static_cast<unsigned long long>(counter));
    return tbx::base64_encode(md5Digest(text + salt));
}

std::string newApiKey() {
    LARGE_INTEGER counter;
    if (!QueryPerformanceCounter(&counter)) counter.QuadPart = GetTickCount();
    std::string salt(16, '\0');
    if (!RtlGenRandom(&salt[0], static_cast<ULONG>(salt.size()))) salt.clear();
    return apiKeyFor(static_cast<uint64_t>(counter.QuadPart), salt);
}
