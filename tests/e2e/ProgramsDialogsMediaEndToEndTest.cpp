// The shell, common dialog and media services through a running movara.exe.
#include "MediaFiles.h"
#include "MoviePrelude.h"
#include "MovaraRun.h"

using e2e::MovaraRun;
using e2e::withPrelude;

TEST(ProgramsDialogsMediaEndToEnd, AMovieRunsAProgramOpensADialogAndPlaysASound) {
    MovaraRun run;
    movara_test::writeBytes(run.path("sound.wav"), movara_test::silentWave(20000));
    run.writeMovie(withPrelude(R"JS(
report("ran", "execAndWait", "cmd.exe /c echo ran> ran.txt", 20000, false);
report("file", "fileExists", "ran.txt");
trace("dialog opening");
report("chosen", "fileDialog", true);
report("opened", "mciOpen", "sound.wav");
call("mciPlay", 1);
report("playing", "mciIsPlaying", 1);
report("closed", "mciClose", 1);
report("again", "mciIsPlaying", 1);
)JS"));
    run.start();
    EXPECT_EQ(run.waitForTrace("ran"), "ran true");
    EXPECT_EQ(run.waitForTrace("file"), "file true");
    run.waitForTrace("dialog opening");
    HWND dialog = run.messageBox();  // the file dialog: a dialog window that is not the main one
    ASSERT_NE(dialog, nullptr);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(run.waitForTrace("chosen"), "chosen null");
    EXPECT_EQ(run.waitForTrace("opened"), "opened 1");
    EXPECT_EQ(run.waitForTrace("playing"), "playing true");
    EXPECT_EQ(run.waitForTrace("closed"), "closed null");
    EXPECT_EQ(run.waitForTrace("again"), "again {\"message\":\"mci handle invalid\",\"type\":\"error\"}");
}
