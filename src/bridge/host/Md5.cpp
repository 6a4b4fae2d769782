#include "bridge/host/Md5.h"

#include <windows.h>
#include <wincrypt.h>

#include "tbx/Handles.h"
#include "tbx/TbException.h"

namespace {

struct CryptProviderTraits {
    using Type = HCRYPTPROV;
    static Type invalid() { return 0; }
    static void close(Type h) { CryptReleaseContext(h, 0); }
};
struct CryptHashTraits {
    using Type = HCRYPTHASH;
    static Type invalid() { return 0; }
    static void close(Type h) { CryptDestroyHash(h); }
};

}  // namespace

std::string md5Digest(const std::string& data) {
    HCRYPTPROV rawProvider = 0;
    if (!CryptAcquireContextA(&rawProvider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        throw TbException("MD5 is not available");
    tbx::UniqueHandle<CryptProviderTraits> provider(rawProvider);

    HCRYPTHASH rawHash = 0;
    if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, &rawHash)) throw TbException("MD5 is not available");
    tbx::UniqueHandle<CryptHashTraits> hash(rawHash);

    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0))
        throw TbException("MD5 failed");
    std::string digest(16, '\0');
    DWORD length = static_cast<DWORD>(digest.size());
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, reinterpret_cast<BYTE*>(&digest[0]), &length, 0) || length != 16)
        throw TbException("MD5 failed");
    return digest;
}
