#include "tbx/FlashExException.h"
#include "services/file/LogFile.h"
#include "services/file/TextFile.h"
#include "MovaraTest.h"
#include "tbx/FileUtil.h"
#include "tbx/Handles.h"
#include "tbx/nfstream.h"

using namespace movara_test;

namespace {

std::string failureOf(void (*action)(const std::string&), const std::string& arg) {
    try {
        action(arg);
    } catch (const FlashExException& e) {
        return e.getMessage();
    }
    return "no failure";
}

const char* const kBadCharset = "テキストファイルのエンコードの指定が正しくないか、対応していないエンコードです。";

// Every character of code page 932 that maps to Unicode and back.
std::string everyAnsiCharacter() {
    std::string all;
    for (int c = 0x20; c < 0x7F; ++c) all += static_cast<char>(c);
    for (int c = 0xA1; c <= 0xDF; ++c) all += static_cast<char>(c);  // half-width katakana
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsDBCSLeadByte(static_cast<BYTE>(lead))) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            char pair[3] = {static_cast<char>(lead), static_cast<char>(trail), 0};
            WCHAR wide[2];
            char back[4];
            if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, pair, 2, wide, 2) != 1 || wide[0] == 0x30FB) continue;
            BOOL lossy = FALSE;
            int n = WideCharToMultiByte(932, 0, wide, 1, back, 4, nullptr, &lossy);
            if (!lossy && n == 2 && back[0] == pair[0] && back[1] == pair[1]) all += pair;
        }
    }
    return all + "\r\n\t";
}

}  // namespace

TEST(TextFile, CharsetNamesMatchIgnoringCaseAndNothingElse) {
    EXPECT_EQ(TextCharset::CharsetUtf8, textCharsetFromName("utf-8"));
    EXPECT_EQ(TextCharset::CharsetNative, textCharsetFromName("shift_jis"));
    EXPECT_EQ(TextCharset::CharsetNative, textCharsetFromName("WINDOWS-31J"));
    EXPECT_EQ(TextCharset::CharsetUtf16, textCharsetFromName("Utf-16"));
    for (const char* refused : {"UTF8", "SJIS", "UTF-16LE", "", "UTF-8 "}) {
        EXPECT_EQ(kBadCharset, failureOf([](const std::string& name) { textCharsetFromName(name.c_str()); }, refused))
            << refused;
    }
    EXPECT_THROW(textCharsetFromName(nullptr), FlashExException);
}

TEST(TextFile, EveryAnsiCharacterRoundTripsInEachCharset) {
    ScratchDir dir;
    std::string text = everyAnsiCharacter();
    ASSERT_GT(text.size(), 14000u);
    for (const char* charset : {"UTF-8", "Shift_JIS", "UTF-16"}) {
        std::string path = dir / charset;
        writeTextFile(path.c_str(), text.c_str(), charset);
        EXPECT_EQ(text, readTextFile(path.c_str(), charset, true)) << charset;
        EXPECT_EQ(text, readTextFile(path.c_str(), charset, false)) << charset;
    }
    EXPECT_EQ(text, readBytes(dir / "Shift_JIS"));
    EXPECT_EQ(cp932ToUtf8(text), readBytes(dir / "UTF-8"));         // no byte order mark written
    for (const char* charset : {"UTF-8", "Shift_JIS", "UTF-16"}) {  // an empty text empties the file
        writeTextFile((dir / charset).c_str(), "", charset);
        EXPECT_EQ("", readBytes(dir / charset)) << charset;
    }
}

TEST(TextFile, Utf8ByteOrderMarkIsSkippedOnlyWhenAsked) {
    ScratchDir dir;
    writeBytes(dir / "bom", "\xEF\xBB\xBF" + cp932ToUtf8("日本語"));
    EXPECT_EQ("日本語", readTextFile((dir / "bom").c_str(), "UTF-8", true));
    std::string kept = readTextFile((dir / "bom").c_str(), "UTF-8", false);
    // U+FEFF has no code page 932 form: one default character precedes the text.
    EXPECT_EQ(std::string("?") + "日本語", kept);
    writeBytes(dir / "only", "\xEF\xBB\xBF");
    EXPECT_EQ("", readTextFile((dir / "only").c_str(), "UTF-8", true));
    writeBytes(dir / "outside", cp932ToUtf8("a") + "\xD7\x90" + "b");  // Hebrew alef
    EXPECT_EQ("a?b", readTextFile((dir / "outside").c_str(), "UTF-8", true));
}

TEST(TextFile, ReadingStopsAtTheFirstZeroAndKeepsAUtf16Mark) {
    ScratchDir dir;
    writeBytes(dir / "sjis", std::string("表\0x", 4));
    EXPECT_EQ("表", readTextFile((dir / "sjis").c_str(), "Shift_JIS", true));
    writeBytes(dir / "u16", std::string("\xFF\xFE"
                                        "A\0B\0\0\0C\0",
                                        10));
    std::string text = readTextFile((dir / "u16").c_str(), "UTF-16", true);
    ASSERT_EQ(3u, text.size());  // the mark, converted, then AB; C lies after the zero unit
    EXPECT_EQ("AB", text.substr(1));
    writeBytes(dir / "odd", std::string("A\0B", 3));  // a final odd byte still forms a unit
    EXPECT_EQ("AB", readTextFile((dir / "odd").c_str(), "UTF-16", true));
}

TEST(TextFile, FailuresLeaveExistingFilesAloneAndSayWhatFailed) {
    ScratchDir dir;
    std::string path = dir / "keep.txt";
    writeBytes(path, "precious");
    EXPECT_THROW(writeTextFile(path.c_str(), "x", "EUC-JP"), FlashExException);
    EXPECT_EQ("precious", readBytes(path));
    std::string missing = dir / "none\\x.txt";
    EXPECT_EQ("ファイルを書き込み用に開く事が出来ませんでした。",
              failureOf([](const std::string& p) { writeTextFile(p.c_str(), "x", "UTF-8"); }, missing));
    EXPECT_EQ("ファイルを読み込み用に開く事が出来ませんでした。",
              failureOf([](const std::string& p) { readTextFile(p.c_str(), "UTF-8", true); }, missing));
    EXPECT_EQ(kBadCharset, failureOf([](const std::string& p) { readTextFile(p.c_str(), "x", true); }, path));
    // A refused charset on reading must not leave the file locked.
    writeTextFile(path.c_str(), "new", "Shift_JIS");
    EXPECT_EQ("new", readBytes(path));
}

TEST(LogFile, AppendsInTheCurrentDirectoryWithCrLfAndDeniesOtherWriters) {
    ScratchDir dir;
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(dir.path().c_str());
    writeBytes(dir / "log", "before|");
    {
        LogFile log;
        log.append("x");
        SetCurrentDirectoryA(saved);  // the file stays where it was first opened
        log.append(nullptr);
        log.append("y\nz表");
        HANDLE other = CreateFileA((dir / "log").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(INVALID_HANDLE_VALUE, other);
        if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
        EXPECT_EQ("before|xy\r\nz表", readBytes(dir / "log"));
    }
}

TEST(LogFile, AFailedOpenIsReportedAndRetried) {
    ScratchDir dir;
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    makeDirectory(dir / "log");  // a directory stands where the file should be
    SetCurrentDirectoryA(dir.path().c_str());
    LogFile log;
    try {
        log.append("x");
        ADD_FAILURE();
    } catch (const FlashExException& e) {
        EXPECT_EQ("ログファイルが開けませんでした。", e.getMessage());
    }
    RemoveDirectoryA("log");
    log.append("y");
    SetCurrentDirectoryA(saved);
    log = LogFile();  // closes the file so the scratch folder can go
    EXPECT_EQ("y", readBytes(dir / "log"));
}

// Every file opened as a stream shares it as the C runtime does: it opens while
// another stream holds the file for reading and writing, and the log, which
// denies other writers, can still be read back.
TEST(StreamSharing, EveryStreamOpenAllowsOtherReadersAndWriters) {
    struct Case {
        const char* name;
        void (*open)(const std::string& path);
    };
    const Case cases[] = {
        {"readTextFile", [](const std::string& p) { readTextFile(p.c_str(), "Shift_JIS", true); }},
        {"writeTextFile", [](const std::string& p) { writeTextFile(p.c_str(), "new", "UTF-8"); }},
        {"read_file", [](const std::string& p) { tbx::read_file(p); }},
        {"write_file", [](const std::string& p) { tbx::write_file(p, "new"); }},
        {"nfstream rb", [](const std::string& p) { tbx::nfstream(p.c_str(), "rb").close(); }},
        {"nfstream wb", [](const std::string& p) { tbx::nfstream(p.c_str(), "wb").close(); }},
        {"nfstream ab", [](const std::string& p) { tbx::nfstream(p.c_str(), "ab").close(); }},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir / "held.txt";
        writeBytes(path, "old");
        // Held as a C runtime stream holds it: other readers and writers allowed.
        tbx::FileHandle holder(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_NO_THROW(c.open(path));
    }
}

TEST(StreamSharing, TheLogIsReadableWhileOpenButNotWritable) {
    ScratchDir dir;
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(dir.path().c_str());
    LogFile log;
    log.append("line\n");
    SetCurrentDirectoryA(saved);
    std::string path = dir / "log";
    EXPECT_EQ("line\r\n", readTextFile(path.c_str(), "Shift_JIS", true));
    EXPECT_EQ("line\r\n", tbx::read_file(path));
    EXPECT_THROW(writeTextFile(path.c_str(), "x", "Shift_JIS"), FlashExException);
    log = LogFile();
}
