#include <cstring>

#include "MovaraTest.h"
#include "SwfBuilder.h"
#include "imaging/SwfFile.h"
#include "tbx/TextConversion.h"

using namespace movara_test;
using namespace swf_test;

namespace {

const char kBadFormat[] = "SWFファイルの形式が正しく無いか、対応していないバージョンです。";
const char kReadError[] = "SWFファイルを読み中にエラーが発生しました。";
const char kInflateError[] = "SWFファイルの解凍に失敗しました。";
const char kBeyondEnd[] = "ファイルサイズを超えて読み込もうとしました。";

// "" when the read succeeds, otherwise the exception's message.
template <typename Read>
std::string outcomeOf(Read read) {
    try {
        read();
        return "";
    } catch (const MvSWFException& e) {
        return e.what();
    }
}

// The outcome of reading a file by its narrow and its wide path; the two
// must agree, and so must reading the same bytes from memory.
std::string readOutcome(const std::string& path, bool headerOnly) {
    std::string narrow = outcomeOf([&] { readSwfFile(path, headerOnly); });
    std::u16string widePath(path.begin(), path.end());  // ASCII scratch paths
    EXPECT_EQ(narrow, outcomeOf([&] { readSwfFile(widePath, headerOnly); })) << path;
    std::string bytes = readBytes(path);
    EXPECT_EQ(narrow, outcomeOf([&] { readSwfBytes(bytes, headerOnly); })) << path;
    return narrow;
}

// Pseudo-random bytes that zlib cannot shrink.
std::string noise(size_t length) {
    std::string out(length, '\0');
    uint32_t state = 12345;
    for (char& c : out) {
        state = state * 1103515245 + 12345;
        c = (char)(state >> 16);
    }
    return out;
}

}  // namespace

TEST(SwfFile, ReadsTheHeaderOfPlainAndCompressedMovies) {
    ScratchDir dir;
    for (bool compressed : {false, true}) {
        std::string body = standardBody(fileAttributes(false) + endTag());
        writeBytes(dir / "m.swf", movie(body, compressed, 9));
        SwfFile swf = readSwfFile(dir / "m.swf", false);
        const SwfHeader& h = swf.header;
        EXPECT_EQ(std::string(compressed ? "CWS" : "FWS"), std::string(h.signature, 3));
        EXPECT_EQ(compressed, h.compressed);
        EXPECT_EQ(9, h.version);
        EXPECT_EQ(body.size() + 8, h.fileLength);
        EXPECT_EQ(15, h.rectBits);
        EXPECT_EQ(11000, h.xmax - h.xmin);  // 550 x 400 pixels
        EXPECT_EQ(8000, h.ymax - h.ymin);
        EXPECT_EQ(0x80, h.frameRateFraction);
        EXPECT_EQ(24, h.frameRateInteger);
        EXPECT_EQ(3, h.frameCount);
        EXPECT_EQ(std::vector<uint8_t>(body.begin(), body.end()), swf.body);
        EXPECT_EQ(swf.body, readSwfBytes(readBytes(dir / "m.swf"), false).body);

        SwfTag tag;
        ASSERT_TRUE(swf.nextTag(tag));
        EXPECT_EQ(69, tag.code);
        EXPECT_EQ(4u, tag.length);
        ASSERT_TRUE(swf.nextTag(tag));
        EXPECT_EQ(0, tag.code);
        EXPECT_FALSE(swf.nextTag(tag));
    }
}

TEST(SwfFile, RectangleEdgesAreReadAsUnsignedAndOrdered) {
    ScratchDir dir;
    struct Case {
        int bits;
        uint32_t xmin, xmax, ymin, ymax;
        int32_t wantXmin, wantXmax, wantYmin, wantYmax;
    } cases[] = {
        {0, 0, 0, 0, 0, 0, 0, 0, 0},
        {31, 0, 0x7FFFFFFF, 5, 0x40000000, 0, 0x7FFFFFFF, 5, 0x40000000},
        {14, 9000, 100, 7000, 20, 100, 9000, 20, 7000},    // exchanged when max < min
        {16, 0, 0xFFFF, 0x8000, 0, 0, 0xFFFF, 0, 0x8000},  // no sign extension
    };
    for (const Case& c : cases) {
        std::string body = rect(c.bits, c.xmin, c.xmax, c.ymin, c.ymax) + std::string{0, 30} + le16(1) + endTag();
        writeBytes(dir / "r.swf", movie(body, false));
        SwfHeader h = readSwfFile(dir / "r.swf", true).header;
        EXPECT_EQ(c.bits, h.rectBits);
        EXPECT_EQ(c.wantXmin, h.xmin) << c.bits;
        EXPECT_EQ(c.wantXmax, h.xmax) << c.bits;
        EXPECT_EQ(c.wantYmin, h.ymin) << c.bits;
        EXPECT_EQ(c.wantYmax, h.ymax) << c.bits;
        EXPECT_EQ(30, h.frameRateInteger);
        EXPECT_EQ(1, h.frameCount);
    }
}

TEST(SwfFile, HeaderOnlyReadOfALargeCompressedMovieMatchesTheFullRead) {
    ScratchDir dir;
    std::string body = rect(20, 40, 600000, 80, 300000) + std::string{0, 12} + le16(777) +
                       tag(1000, noise(20000), true) + fileAttributes(true) + endTag();
    std::string bytes = movie(body, true);
    ASSERT_GT(bytes.size(), 4096u);
    writeBytes(dir / "big.swf", bytes);

    SwfFile head = readSwfFile(dir / "big.swf", true);
    SwfFile full = readSwfFile(dir / "big.swf", false);
    // Incompressible data: 1,024 compressed bytes give a little less body.
    EXPECT_GT(head.body.size(), 1000u);
    EXPECT_LE(head.body.size(), 1024u);
    EXPECT_TRUE(std::equal(head.body.begin(), head.body.end(), full.body.begin()));
    EXPECT_EQ(full.header.xmin, head.header.xmin);
    EXPECT_EQ(full.header.xmax, head.header.xmax);
    EXPECT_EQ(full.header.ymin, head.header.ymin);
    EXPECT_EQ(full.header.ymax, head.header.ymax);
    EXPECT_EQ(777, head.header.frameCount);
    EXPECT_EQ(body.size() + 8, head.header.fileLength);
    SwfTag tag;
    EXPECT_FALSE(head.nextTag(tag));  // a header-only read has no tag cursor
    EXPECT_TRUE(isAs3Swf(dir / "big.swf"));
}

TEST(SwfFile, IsSwfLooksOnlyAtTheSignature) {
    ScratchDir dir;
    struct Case {
        std::string bytes;
        bool swf;
    } cases[] = {
        {"CWS garbage", true}, {"FWS", true}, {"FW", false}, {"", false}, {"ZWS\x0a", false}, {"fws", false},
    };
    for (const Case& c : cases) {
        writeBytes(dir / "s.swf", c.bytes);
        EXPECT_EQ(c.swf, isSwf(dir / "s.swf")) << c.bytes;
        EXPECT_FALSE(isAs3Swf(dir / "s.swf")) << c.bytes;
    }
    EXPECT_FALSE(isSwf(dir / "missing.swf"));
    EXPECT_FALSE(isAs3Swf(dir / "missing.swf"));
    EXPECT_FALSE(isSwf(dir.path()));
}

TEST(SwfFile, As3TestFindsTheFirstFileAttributesTag) {
    ScratchDir dir;
    struct Case {
        const char* what;
        std::string tags;
        bool as3;
    } cases[] = {
        {"flag set", fileAttributes(true) + endTag(), true},
        {"flag clear", fileAttributes(false) + endTag(), false},
        {"no attributes tag", tag(9, "\xff\xff\xff") + endTag(), false},
        {"after a long-form tag", tag(9, "abc", true) + tag(1000, std::string(300, 'x')) + fileAttributes(true), true},
        {"first one counts", fileAttributes(false) + fileAttributes(true), false},
        {"long-form attributes tag", tag(69, std::string{8, 0, 0, 0}, true), true},
        {"empty attributes tag", tag(69, ""), false},
        {"no End tag", fileAttributes(true), true},
        {"no tags at all", "", false},
    };
    for (const Case& c : cases) {
        std::string body = standardBody(c.tags);
        for (const std::string& file : {movie(body, false), movie(body, true), lzmaMovie(body)}) {
            writeBytes(dir / "a.swf", file);
            EXPECT_EQ(c.as3, isAs3Swf(dir / "a.swf")) << c.what << " (" << file.substr(0, 3) << ")";
        }
    }
}

TEST(SwfFile, HostileMoviesFailWithTheReadersMessages) {
    ScratchDir dir;
    std::string good = standardBody(fileAttributes(true) + endTag());
    std::string compressedBody = compress(good);
    std::string cutAfterAttributes =
        movie(standardBody(fileAttributes(true) + tag(1000, noise(5000))), true).substr(0, 200);
    struct Case {
        const char* what;
        std::string bytes;
        const char* full;        // outcome of a full read, "" for success
        const char* headerOnly;  // outcome of a header-only read
        bool as3;
    } cases[] = {
        {"shorter than 8 bytes", "FWS\x0a\x10", kReadError, kReadError, false},
        {"declared length 0", movie(good, false, 10, 0xFFFFFFFF).replace(4, 4, le32(0)), kBadFormat, kBadFormat, true},
        {"declared length 7", movie(good, false, 10, 7), kBadFormat, kBadFormat, true},
        {"declared length 8: no rectangle", movie("", false), kBeyondEnd, kBeyondEnd, false},
        {"plain, declared 0xFFFFFFFF", movie(good, false, 10, 0xFFFFFFFF), kReadError, kReadError, true},
        {"compressed, declared 0xFFFFFFFF", movie(good, true, 10, 0xFFFFFFFF), kInflateError, "", true},
        {"plain, declared longer than the body", movie(good, false, 10, good.size() + 9), kReadError, kReadError, true},
        {"compressed, declared longer", movie(good, true, 10, good.size() + 9), kInflateError, "", true},
        {"compressed, declared shorter", movie(good, true, 10, good.size() + 7), kInflateError, "", true},
        {"plain, declared shorter than the body", movie(good, false, 10, good.size() + 7), "", "", true},
        {"ZWS signature", "ZWS" + movie(good, false).substr(3), kBadFormat, kBadFormat, false},
        {"ZWS declaring a 4 GB dictionary", lzmaMovie(good).replace(13, 4, le32(0xFFFFFFFF)), kBadFormat, kBadFormat,
         true},
        {"body shorter than its rectangle", movie(rect(31, 1, 2, 3, 4).substr(0, 10), false), kBeyondEnd, kBeyondEnd,
         false},
        {"rectangle without rate and count", movie(rect(8, 1, 2, 3, 4) + "\x01", false), kBeyondEnd, kBeyondEnd, false},
        {"not a zlib stream", "CWS\x0a" + le32(100) + std::string(40, 'x'), kInflateError, kInflateError, false},
        {"zlib stream cut short", "CWS\x0a" + le32(good.size() + 8) + compressedBody.substr(0, 6), kInflateError,
         kBeyondEnd, false},
        // The movie test goes by the tags that decompress, not by the length.
        {"zlib stream cut after the attributes tag", cutAfterAttributes, kInflateError, "", true},
        {"garbage after the zlib stream", movie(good, true) + "trailing garbage", "", "", true},
    };
    for (const Case& c : cases) {
        writeBytes(dir / "h.swf", c.bytes);
        EXPECT_EQ(c.full, readOutcome(dir / "h.swf", false)) << c.what;
        EXPECT_EQ(c.headerOnly, readOutcome(dir / "h.swf", true)) << c.what;
        EXPECT_EQ(c.as3, isAs3Swf(dir / "h.swf")) << c.what;
    }
}

TEST(SwfFile, ReaderFailuresAreTheProgramsOwnExceptions) {
    ScratchDir dir;
    try {
        readSwfFile(dir / "missing.swf", true);
        ADD_FAILURE() << "no exception";
    } catch (const MvException& e) {
        EXPECT_STREQ("ファイルを開けませんでした。", e.what());
        EXPECT_EQ(multiByteToWide(e.message(), CP_ACP), e.wideMessage());
    }
}

TEST(SwfFile, TagWalkRefusesTagsThatRunPastTheBody) {
    ScratchDir dir;
    std::string as3 = fileAttributes(true);  // follows the broken tag; never reached
    struct Case {
        const char* what;
        std::string tags;
    } cases[] = {
        {"length 0xFFFFFFFF", le16(9 << 6 | 0x3F) + le32(0xFFFFFFFF) + "abc" + as3},
        {"long length 0x3F with 9 bytes left", le16(9 << 6 | 0x3F) + le32(0x3F) + "abc" + as3},
        {"short tag running past the end", le16(9 << 6 | 10) + "abc" + as3},
        {"one byte of a tag header", "\x01"},
        {"long form missing its length", le16(9 << 6 | 0x3F) + "ab"},
    };
    for (const Case& c : cases) {
        writeBytes(dir / "t.swf", movie(standardBody(c.tags), false));
        SwfFile swf = readSwfFile(dir / "t.swf", false);
        SwfTag tag;
        try {
            swf.nextTag(tag);
            ADD_FAILURE() << c.what << ": no exception";
        } catch (const MvSWFException& e) {
            EXPECT_STREQ(kBeyondEnd, e.what()) << c.what;
        }
        EXPECT_FALSE(isAs3Swf(dir / "t.swf")) << c.what;
    }
}
