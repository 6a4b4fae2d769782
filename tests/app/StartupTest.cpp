#include "MovaraTest.h"

#include "SwfWriter.h"
#include "app/CommandLine.h"
#include "app/CommandLineAnswers.h"
#include "app/MovieCheck.h"
#include "app/ProcessEnvironment.h"
#include "tbx/Handles.h"

using movara_test::ScratchDir;

namespace {

const RECT kLargeArea = {0, 0, 1280, 994};

std::vector<std::string> args(std::initializer_list<const char*> rest) {
    std::vector<std::string> all = {"movara.exe"};
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
}

}  // namespace

TEST(CommandLine, MoviePathIsArgumentOneWhateverItIs) {
    EXPECT_EQ(moviePathFrom(args({})), "Ovara.swf");
    EXPECT_EQ(moviePathFrom(args({"C:\\m\\x.swf", "/h"})), "C:\\m\\x.swf");
    EXPECT_EQ(moviePathFrom(args({"/wmax"})), "/wmax");
}

TEST(CommandLine, DefaultSizeIsReducedToTheWorkAreaPerDimension) {
    WindowGeometry plain = windowGeometryFrom(args({}), kLargeArea);
    EXPECT_EQ(plain.width, 1024);
    EXPECT_EQ(plain.height, 768);
    EXPECT_FALSE(plain.positioned);

    WindowGeometry narrow = windowGeometryFrom(args({}), RECT{0, 0, 800, 900});
    EXPECT_EQ(narrow.width, 800);
    EXPECT_EQ(narrow.height, 768);
    WindowGeometry low = windowGeometryFrom(args({}), RECT{0, 0, 1100, 600});
    EXPECT_EQ(low.width, 1024);
    EXPECT_EQ(low.height, 600);
}

TEST(CommandLine, SwitchesCoverTheWorkAreaOrMoveOffScreen) {
    RECT area = {10, 20, 1290, 1000};
    WindowGeometry max = windowGeometryFrom(args({"movie.swf", "/wmax"}), area);
    EXPECT_TRUE(max.positioned);
    EXPECT_EQ(max.x, 10);
    EXPECT_EQ(max.y, 20);
    EXPECT_EQ(max.width, 1280);
    EXPECT_EQ(max.height, 980);

    // A switch in position 1 counts as a switch as well as the movie.
    WindowGeometry hidden = windowGeometryFrom(args({"/h"}), area);
    EXPECT_TRUE(hidden.positioned);
    EXPECT_EQ(hidden.x, -1024);
    EXPECT_EQ(hidden.y, 0);

    WindowGeometry both = windowGeometryFrom(args({"m.swf", "/h", "/wmax"}), area);
    EXPECT_EQ(both.x, -1280);
    EXPECT_EQ(both.y, 0);
    EXPECT_EQ(both.width, 1280);

    // Switches are exact and case-sensitive.
    WindowGeometry none = windowGeometryFrom(args({"m.swf", "/WMAX", "/H", "-h", "/wmax2"}), area);
    EXPECT_FALSE(none.positioned);
    EXPECT_EQ(none.width, 1024);
}

TEST(ProcessEnvironment, SystemDriveIsTheWindowsDirectoryBeforeItsFirstBackslash) {
    EXPECT_EQ(systemDriveOf("C:\\windows"), "C:");
    EXPECT_EQ(systemDriveOf("D:\\"), "D:");
    // 表 is 95 5C in Shift_JIS: its trail byte is not a separator.
    EXPECT_EQ(systemDriveOf("表\\windows"), "表");
    EXPECT_EQ(systemDriveOf("nowhere"), "nowhere");
}

TEST(ProcessEnvironment, ProgramDirectoryBecomesWorkingDirectoryAndReachesChildren) {
    ScratchDir scratch;
    std::string program = scratch / "プログラム表";
    movara_test::makeDirectory(program);
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof(previous), previous);

    prepareProcessEnvironment(program);
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof(current), current);
    EXPECT_EQ(std::string(current), program);

    // A child process sees both variables.
    std::string command = "cmd.exe /c echo %MVR_APP_PATH%^|%MVR_SYSTEM_DRIVE%>seen.txt";
    STARTUPINFOA startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &process));
    tbx::KernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    WaitForSingleObject(process.hProcess, 30000);
    SetCurrentDirectoryA(previous);

    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof(windows));
    EXPECT_EQ(movara_test::readBytes(program + "\\seen.txt"), program + "|" + systemDriveOf(windows) + "\r\n");
}

TEST(CommandLine, HelpAndPolicyAreAnsweredAndTheTraceFileLiesBesideTheMovie) {
    EXPECT_TRUE(asksForUsage(args({"/?"})));
    EXPECT_TRUE(asksForUsage(args({"--help"})));
    EXPECT_FALSE(asksForUsage(args({"movie.swf", "/?"})));
    EXPECT_FALSE(asksForUsage(args({})));
    std::string path;
    EXPECT_TRUE(asksForPolicy(args({"/policy", "C:\\x"}), path));
    EXPECT_EQ("C:\\x", path);
    EXPECT_FALSE(asksForPolicy(args({"movie.swf", "/policy", "C:\\x"}), path));

    struct Case {
        std::vector<std::string> arguments;
        const char* settingsTrace;
        const char* expected;
    } cases[] = {
        {args({"C:\\m\\notes.swf?a=1", "/trace"}), "", "C:\\m\\notes.trace.txt"},
        {args({"notes.js", "/wmax", "/trace"}), "other.txt", "notes.trace.txt"},
        {args({"C:\\m\\notes.swf"}), "  log\\trace.txt\n", "C:\\m\\log\\trace.txt"},
        {args({"C:\\m\\notes.swf"}), "D:\\t.txt", "D:\\t.txt"},
        {args({"C:\\m\\notes.swf"}), "", ""},
        {args({"/trace"}), "", ""},  // argument 1 is the movie, whatever it is
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, traceFileFrom(c.arguments, moviePathFrom(c.arguments), c.settingsTrace)) << c.arguments[1];
}

TEST(MovieCheck, AMovieThatCannotBePlayedSaysWhy) {
    ScratchDir dir;
    movara_test::writeBytes(dir / "good.swf", buildSwf(SwfOptions(), "trace(1);"));
    movara_test::writeBytes(dir / "bad.swf", "FWS not a movie");
    movara_test::writeBytes(dir / "script.js", "trace(1);");
    CreateDirectoryA((dir / "folder.swf").c_str(), nullptr);
    struct Case {
        std::string movie;
        std::string problem;  // its start; "" for none
    } cases[] = {
        {dir / "good.swf", ""},
        {dir / "good.swf?x=1", ""},
        {dir / "script.js", ""},
        {"http://example.invalid/m.swf", ""},
        {dir / "none.swf", "ファイルが見つかりません。"},
        {dir / "folder.swf", "フォルダです。"},
        {dir / "bad.swf", "SWFファイルとして読めません（"},
    };
    for (const Case& c : cases) {
        std::string problem = movieLoadProblem(c.movie);
        EXPECT_EQ(c.problem, problem.substr(0, c.problem.size())) << c.movie;
        EXPECT_EQ(c.problem.empty(), problem.empty()) << c.movie << ": " << problem;
    }
}
