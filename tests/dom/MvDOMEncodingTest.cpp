#include <vector>

#include "IconvConvert.h"
#include "MovaraTest.h"
#include "dom/MvDOMEncoding.h"

// The converters are checked against glibc's iconv program as an independent encoder:
// Shift_JIS texts are encoded by iconv, and converting them back must give
// the original bytes, except where the converters are documented to differ:
// - EUC-JP: half-width katakana come back full-width, and a half-width kana
//   followed by a sound mark comes back as the one voiced or semi-voiced
//   full-width kana where Shift_JIS has one (the settings reader normalises
//   kana so that names compare equal however they were typed);
// - ISO-2022-JP: every line end comes back as CR LF (the converter writes
//   Windows line ends, and ISO-2022-JP files are read without translation).
namespace {

using movara_test::iconvConvert;

std::string iconvOrFail(const std::string& input, const char* to, const char* from) {
    std::string output;
    EXPECT_TRUE(iconvConvert(input, to, from, output)) << from << " -> " << to;
    return output;
}

// Every character of every JIS X 0208 row (1 to 8, 16 to 84), one string per
// row, in Shift_JIS. iconv decides which code page 932 codes form the row.
const std::vector<std::string>& jisRows() {
    static std::vector<std::string> rows = [] {
        std::vector<std::string> candidates;
        for (int lead = 0x81; lead <= 0xEF; ++lead) {
            if (lead > 0x9F && lead < 0xE0) continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail != 0x7F) candidates.push_back(std::string{(char)lead, (char)trail});
            }
        }
        // NEC and IBM duplicates of row 2 characters map to row 2 too; only
        // the code that comes back from EUC-JP is the row's own.
        std::vector<std::string> euc = movara_test::iconvConvertLines(candidates, "EUC-JP-MS", "CP932");
        std::vector<std::string> back = movara_test::iconvConvertLines(euc, "CP932", "EUC-JP-MS");
        EXPECT_EQ(candidates.size(), euc.size());
        EXPECT_EQ(candidates.size(), back.size());
        std::vector<std::string> byRow(95);
        for (size_t i = 0; i < candidates.size() && i < euc.size() && i < back.size(); ++i) {
            if (euc[i].size() != 2 || back[i] != candidates[i]) continue;
            int row = (unsigned char)euc[i][0] - 0xA0;
            if ((row >= 1 && row <= 8) || (row >= 16 && row <= 84)) byRow[row] += candidates[i];
        }
        std::vector<std::string> result;
        for (auto& row : byRow) {
            if (!row.empty()) result.push_back(row);
        }
        return result;
    }();
    return rows;
}

std::string printableAscii() {
    std::string ascii = "\t";
    for (int c = 0x20; c <= 0x7E; ++c) ascii += (char)c;
    return ascii;
}

// Half-width katakana alone, and each one followed by each sound mark.
std::vector<std::string> halfWidthKanaPieces() {
    std::vector<std::string> pieces;
    for (int c = 0xA1; c <= 0xDF; ++c) {
        pieces.push_back(std::string(1, (char)c));
        pieces.push_back(std::string{(char)c, (char)0xDE});
        pieces.push_back(std::string{(char)c, (char)0xDF});
    }
    return pieces;
}

std::string toCp932Strict(const std::u16string& wide, bool& ok) {
    char buffer[64];
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, (LPCWSTR)wide.data(), (int)wide.size(), buffer,
                                sizeof buffer, nullptr, &usedDefault);
    ok = n > 0 && !usedDefault;
    return std::string(buffer, n > 0 ? n : 0);
}

// The full-width form by Unicode compatibility composition (NFKC), with the
// combining sound marks shown as the spacing marks; a composed kana that
// Shift_JIS lacks (wa and wo with the voiced mark) stays two characters.
std::string fullWidthOracle(const std::string& halfWidth) {
    std::u16string wide;
    for (char c : halfWidth) {
        WCHAR w = 0;
        MultiByteToWideChar(932, 0, &c, 1, &w, 1);
        wide += (char16_t)w;
    }
    auto normalise = [](const std::u16string& text) {
        WCHAR out[16];
        int n = NormalizeString(NormalizationKC, (LPCWSTR)text.data(), (int)text.size(), out, 16);
        std::u16string result((const char16_t*)out, n > 0 ? n : 0);
        for (auto& ch : result) {
            if (ch == 0x3099) ch = 0x309B;
            if (ch == 0x309A) ch = 0x309C;
        }
        return result;
    };
    bool ok = false;
    std::string composed = toCp932Strict(normalise(wide), ok);
    if (ok) return composed;
    std::string separate;
    for (char16_t ch : wide) separate += toCp932Strict(normalise(std::u16string(1, ch)), ok);
    return separate;
}

// Long texts: the offset of the first difference, not both texts whole.
size_t firstDifference(const std::string& expected, const std::string& actual) {
    if (expected == actual) return std::string::npos;
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    return at;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n' || text[i] == '\r') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

TEST(MvDOMEncodingOracle, JisRowsAreComplete) {
    // 94 rows less the unassigned ones; rows 1-8 and 16-84 hold 6879 characters.
    ASSERT_EQ(77u, jisRows().size());
    size_t total = 0;
    for (const auto& row : jisRows()) total += row.size() / 2;
    EXPECT_EQ(6879u, total);
}

TEST(MvDOMEncodingOracle, EucJpGivesBackTheShiftJisTextWithHalfWidthKanaMadeFullWidth) {
    std::string euc, expected;
    auto add = [&](const std::string& sjis, const std::string& want) {
        euc += iconvOrFail(sjis, "EUC-JP-MS", "CP932");
        expected += want;
    };
    for (const auto& row : jisRows()) add(row + "\n", row + "\n");
    add(printableAscii() + "\r\n", printableAscii() + "\r\n");
    for (const auto& kana : halfWidthKanaPieces()) {
        add(kana, fullWidthOracle(kana));
        add("a\x88\x9f", "a\x88\x9f");  // what follows converts normally
    }
    EXPECT_EQ(std::string::npos, firstDifference(expected, eucToShiftJis(euc)));
}

TEST(MvDOMEncodingOracle, IsoJpGivesBackTheShiftJisTextWithCrLfLineEnds) {
    // glibc's "SJIS" has the JIS X 0208 mappings where code page 932 has
    // Microsoft's (wave dash, minus sign and a few more), which ISO-2022-JP
    // lacks; for JIS X 0208 both have the same bytes. ASCII comes from CP932
    // because "SJIS" reads 0x5C and 0x7E as yen sign and overline.
    std::string jis, original;
    auto add = [&](const std::string& sjis, const char* charset) {
        jis += iconvOrFail(sjis, "ISO-2022-JP", charset);
        original += sjis;
    };
    for (const auto& row : jisRows()) {
        add(row, "SJIS");
        add("\n", "CP932");
    }
    add(printableAscii() + "\r\nx\ry\n\n", "CP932");
    add("\x88\x9f\x82\xa0\r\n\x8c\x8e", "SJIS");
    EXPECT_EQ(std::string::npos, firstDifference(withCrLf(original), jisToShiftJis(jis)));
}

TEST(MvDOMEncodingOracle, Utf8GivesBackTheShiftJisText) {
    std::string original;
    for (const auto& row : jisRows()) original += row + "\n";
    original += printableAscii() + "\r\n";
    for (const auto& kana : halfWidthKanaPieces()) original += kana;
    EXPECT_EQ(std::string::npos, firstDifference(original, utf8ToNative(iconvOrFail(original, "UTF-8", "CP932"))));
}

TEST(MvDOMEncoding, ConvertersHandleTheirOddInputsAsDocumented) {
    // ISO-2022-JP: only ESC $ B and ESC ( B switch; a lone final byte is copied.
    EXPECT_EQ("\x1b$@0!", jisToShiftJis("\x1b$@0!"));
    EXPECT_EQ(
        "\x88\x9f"
        "0",
        jisToShiftJis("\x1b$B0!0"));
    EXPECT_EQ("a\r\n\r\nb\r\n", jisToShiftJis("a\r\n\rb\n"));

    // EUC-JP: a merged sound mark's bytes are consumed with the kana.
    EXPECT_EQ(
        "\x83\x4b"
        "a",
        eucToShiftJis("\x8e\xb6\x8e\xde"
                      "a"));
    EXPECT_EQ(
        "\xb0"
        "A"
        "\x8e"
        "A",
        eucToShiftJis("\xb0"
                      "A"
                      "\x8e"
                      "A"));
    EXPECT_EQ("x\xb0", eucToShiftJis("x\xb0"));
    EXPECT_EQ("\x8e", eucToShiftJis("\x8e"));

    // UTF-8: marker bits are not checked, stray and four-byte sequences are
    // dropped, and a character outside code page 932 empties the result.
    EXPECT_EQ("AB", utf8ToNative("A\x80\xf0\x9f\x98\x80"
                                 "B"));
    EXPECT_EQ("a", utf8ToNative("a\xe3\x81"));
    EXPECT_EQ("", utf8ToNative("caf\xc3\xa9"));
    EXPECT_EQ("", utf8ToNative(""));
}

TEST(MvDOMEncoding, EncodingNamesIgnoreCaseAndEmptyMeansUtf8) {
    EXPECT_EQ(MvDOMEncoding::ShiftJis, classifyEncoding("SHIFT_JIS"));
    EXPECT_EQ(MvDOMEncoding::EucJp, classifyEncoding("X-EUC"));
    EXPECT_EQ(MvDOMEncoding::Utf8, classifyEncoding(""));
    EXPECT_EQ(MvDOMEncoding::Jis, classifyEncoding("Jis"));
    EXPECT_EQ(MvDOMEncoding::Unsupported, classifyEncoding("utf8"));
    EXPECT_EQ(MvDOMEncoding::Unsupported, classifyEncoding("Shift_JIS "));
}
