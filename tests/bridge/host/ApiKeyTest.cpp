#include "MovaraTest.h"

#include "bridge/host/ApiKey.h"
#include "bridge/host/Md5.h"

namespace {

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

}  // namespace

TEST(Md5, MatchesTheReferenceVectors) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [input, digest] : vectors) EXPECT_EQ(hex(md5Digest(input)), digest) << input;
}

TEST(ApiKey, IsTheBase64OfTheDigestOfTheHexCounter) {
    // MD5 of "1f" and of "abc", in standard Base64.
    EXPECT_EQ(apiKeyFor(0x1f), "DN6A1NZfxTB6B/hqyd+jTA==");
    EXPECT_EQ(apiKeyFor(0xab, "c"), "kAFQmDzST7DWlj99KOF/cg==");
}

TEST(ApiKey, FreshKeysAre24CharactersAndDiffer) {
    std::string first = newApiKey(), second = newApiKey();
    EXPECT_EQ(first.size(), 24u);
    EXPECT_EQ(first.substr(22), "==");
    EXPECT_NE(first, second);
}
