#include "MovaraTest.h"
#include "player/ScriptSyntax.h"
#include "SwfWriter.h"
#include "imaging/SwfFile.h"
#include "tbx/Handles.h"

using namespace movara_test;

namespace {

// Runs mkswf from the program's folder; answers its exit code. With `output`,
// what it prints on both streams goes to that file.
DWORD runMkswf(const std::string& arguments, const std::string& output = std::string()) {
    std::string commandLine = "\"" + programDirectory() + "\\mkswf.exe\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    SECURITY_ATTRIBUTES inherited = {sizeof(inherited), nullptr, TRUE};
    tbx::KernelHandle printed;
    if (!output.empty()) {
        printed.reset(
            CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr));
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = printed.get();
    }
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    tbx::KernelHandle processHandle(process.hProcess);
    tbx::KernelHandle threadHandle(process.hThread);
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

// The data of the first tag with `code` in a fully read movie, or "-" when absent.
std::string tagData(SwfFile& movie, uint16_t code) {
    SwfTag tag;
    while (movie.nextTag(tag))
        if (tag.code == code) return std::string(reinterpret_cast<const char*>(tag.data), tag.length);
    return "-";
}

}  // namespace

TEST(Mkswf, TheToolWritesPlainAndCompressedMoviesTheReaderMeasures) {
    ScratchDir dir;
    writeBytes(dir / "movie.js", u8"trace('表');");  // scripts are UTF-8
    ASSERT_EQ(0u, runMkswf("--width 320 --height 240 --rate 12.5 --background 336699 -o \"" + (dir / "plain.swf") +
                           "\" \"" + (dir / "movie.js") + "\""));
    ASSERT_EQ(0u, runMkswf("--compress --as3 --version 9 -o \"" + (dir / "packed.swf") + "\" \"" + (dir / "movie.js") +
                           "\""));

    SwfFile plain = readSwfFile(dir / "plain.swf", false);
    EXPECT_FALSE(plain.header.compressed);
    EXPECT_EQ(10, plain.header.version);
    EXPECT_EQ(320 * 20, plain.header.xmax - plain.header.xmin);
    EXPECT_EQ(240 * 20, plain.header.ymax - plain.header.ymin);
    EXPECT_EQ(12, plain.header.frameRateInteger);
    EXPECT_EQ(128, plain.header.frameRateFraction);
    EXPECT_EQ(readBytes(dir / "plain.swf").size(), plain.header.fileLength);
    EXPECT_EQ(std::string("\x33\x66\x99", 3), tagData(plain, 9));
    EXPECT_FALSE(isAs3Swf(dir / "plain.swf"));

    SwfFile packed = readSwfFile(dir / "packed.swf", true);
    EXPECT_TRUE(packed.header.compressed);
    EXPECT_EQ(9, packed.header.version);
    EXPECT_EQ(550 * 20, packed.header.xmax - packed.header.xmin);
    EXPECT_EQ(400 * 20, packed.header.ymax - packed.header.ymin);
    EXPECT_EQ(24, packed.header.frameRateInteger);
    EXPECT_TRUE(isSwf(dir / "packed.swf"));
    EXPECT_TRUE(isAs3Swf(dir / "packed.swf"));
    SwfFile full = readSwfFile(dir / "packed.swf", false);
    EXPECT_EQ(readBytes(dir / "movie.js"), tagData(full, 1000));
}

TEST(Mkswf, BadArgumentsFailWithoutWritingAMovie) {
    ScratchDir dir;
    EXPECT_EQ(2u, runMkswf("--width x -o \"" + (dir / "a.swf") + "\""));
    EXPECT_EQ(2u, runMkswf("--background 12345 -o \"" + (dir / "a.swf") + "\""));
    EXPECT_EQ(2u, runMkswf("--as3 --no-attributes -o \"" + (dir / "a.swf") + "\""));
    EXPECT_EQ(2u, runMkswf("\"" + (dir / "missing-output.js") + "\""));
    EXPECT_EQ(1u, runMkswf("-o \"" + (dir / "a.swf") + "\" \"" + (dir / "no-such-script.js") + "\""));
    EXPECT_FALSE(fileExists(dir / "a.swf"));
}

TEST(Mkswf, LongScriptsUseTheLongTagFormAndAMovieWithoutAttributesIsNoAs3Movie) {
    ScratchDir dir;
    SwfOptions options;
    options.fileAttributes = false;
    std::string script(100000, 'x');
    writeBytes(dir / "long.swf", buildSwf(options, script));
    EXPECT_FALSE(isAs3Swf(dir / "long.swf"));
    SwfFile movie = readSwfFile(dir / "long.swf", false);
    EXPECT_EQ(script, tagData(movie, 1000));
    EXPECT_EQ("-", tagData(movie, 69));
    EXPECT_EQ(swfTagHeader(9, 3), std::string("\x43\x02", 2));
    EXPECT_EQ(swfTagHeader(1000, 62), std::string("\x3E\xFA", 2));
    EXPECT_EQ(swfTagHeader(1000, 63), std::string("\x3F\xFA\x3F\x00\x00\x00", 6));
}

// The place is where the engine noticed the error; syntax of a later
// edition is named in plain words, and only where the script uses it as code.
TEST(Mkswf, AScriptThatDoesNotCompileFailsTheBuildWithItsFileLineAndColumn) {
    struct Case {
        const char* script;
        const char* expected;  // "" compiles
        const char* hint;      // what the hint line names; null: no hint
    } cases[] = {
        {"trace('ok');\nvar a = [1, 2];", "", nullptr},
        {"var a = ;", "m.js:1:9: SyntaxError", nullptr},
        {"trace(1);\n\nif (x) }", "m.js:3:9: SyntaxError", nullptr},
        {"trace(1);\n'unterminated", "m.js:2:1: SyntaxError", nullptr},
        {"trace('\x95\x5C');", "m.js: SyntaxError: the script is not UTF-8", nullptr},  // Shift_JIS
        {"var f = (a) => a * 2;", "m.js:1:16: SyntaxError", "arrow functions (=>) (line 1)"},
        {"var s = 'a';\nvar t = `${s}!`;", "m.js:2:9: SyntaxError", "template strings (`...`) (line 2)"},
        {"trace(1);\nfor (let i = 0; i < 2; i++) {}", "m.js:2:", "let declarations (line 2)"},
        {"function f(a, b = 2) {}", "m.js:1:", "default parameter values"},
        {"var o = {class: 1}; // (a) => a\nvar s = '`', = 1;", "m.js:2:", nullptr},
    };
    for (const Case& c : cases) {
        std::string error = player::scriptSyntaxError(c.script, "m.js");
        EXPECT_EQ(0u, error.find(c.expected)) << c.script << " gave " << error;
        if (!*c.expected) {
            EXPECT_EQ("", error);
        }
        size_t hint = error.find("\nm.js:");
        if (c.hint) {
            ASSERT_NE(std::string::npos, hint) << error;
            EXPECT_NE(std::string::npos, error.find(": hint: " + std::string(c.hint), hint)) << error;
            EXPECT_NE(std::string::npos, error.find("docs/movies.md", hint)) << error;
        } else {
            EXPECT_EQ(std::string::npos, hint) << error;
        }
    }

    ScratchDir dir;
    writeBytes(dir / "bad.js", "trace(1);\nvar = 2;");
    writeBytes(dir / "movie.swf", "the last good movie");
    EXPECT_EQ(1u, runMkswf("-o \"" + (dir / "movie.swf") + "\" \"" + (dir / "bad.js") + "\"", dir / "printed.txt"));
    EXPECT_EQ((dir / "bad.js") + ":2:5: SyntaxError",
              readBytes(dir / "printed.txt").substr(0, (dir / "bad.js").size() + 17));
    EXPECT_EQ("the last good movie", readBytes(dir / "movie.swf"));
    EXPECT_FALSE(fileExists(dir / "movie.swf.partial"));

    EXPECT_EQ(0u, runMkswf("--help", dir / "help.txt"));
    EXPECT_EQ(0u, readBytes(dir / "help.txt").find("usage: mkswf"));
}
