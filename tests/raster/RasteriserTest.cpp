// The rasteriser thread and its hidden dialog, rendering movies made by
// mkswf's writer with the stand-in player in this process.
#include <vector>

#include "tbx/MvException.h"
#include "raster/MvRasSwfDialog.h"
#include "raster/MvRasSwfThread.h"
#include "MovaraTest.h"
#include "Waiting.h"
#include "security/SecurityPolicy.h"
#include "SwfWriter.h"
#include "framework/Application.h"

using movara_test::ScratchDir;

namespace {

const char* const kBoxMovie = "graphics.fillRect(100, 50, 200, 100, 0xFF0000);";

// A bitmap's pixels as 0xRRGGBB, row by row from the top.
struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> bgra;
    DWORD at(int x, int y) const { return bgra[(size_t)y * width + x] & 0xFFFFFF; }
};

Pixels pixelsOf(HBITMAP bitmap) {
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    Pixels pixels;
    pixels.width = info.bmWidth;
    pixels.height = info.bmHeight;
    pixels.bgra.resize((size_t)info.bmWidth * info.bmHeight);
    BITMAPINFO format = {};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB};
    tbx::WindowDC screen(nullptr);
    GetDIBits(screen.get(), bitmap, 0, info.bmHeight, pixels.bgra.data(), &format, DIB_RGB_COLORS);
    return pixels;
}

// A pixel of what the player paints, painted on its own thread as the
// capture has it painted.
DWORD paintedAt(HWND player, int x, int y) {
    tbx::WindowDC screen(nullptr);
    tbx::MemoryDC memory(CreateCompatibleDC(screen.get()));
    tbx::GdiObject bitmap(CreateCompatibleBitmap(screen.get(), x + 1, y + 1));
    {
        tbx::SelectedObject selected(memory.get(), bitmap.get());
        SendMessageA(player, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.get()), 0);
        SendMessageA(player, WM_PAINT, reinterpret_cast<WPARAM>(memory.get()), 0);
    }
    return pixelsOf(static_cast<HBITMAP>(bitmap.get())).at(x, y);
}

std::string writeMovie(const ScratchDir& dir, const std::string& name, const std::string& script,
                       uint32_t background = 0x336699, int width = 550, int height = 400) {
    SwfOptions options;
    options.backgroundColor = background;
    options.width = width;
    options.height = height;
    movara_test::writeBytes(dir / name, buildSwf(options, script));
    return dir / name;
}

class RasteriserThread : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fw::Application::enableControlContainer(); }

    void SetUp() override { ASSERT_TRUE(thread_.CreateThread()); }

    std::shared_ptr<RasterJob> job(const std::string& movie) {
        auto job = std::make_shared<RasterJob>();
        job->moviePath = movie;
        return job;
    }

    std::string failureOf(const std::shared_ptr<RasterJob>& job, DWORD timeoutMs = RasterJob::kWaitMs) {
        try {
            job->render(thread_, timeoutMs);
            return "(no failure)";
        } catch (const MvException& e) {
            return e.what();
        }
    }

    ScratchDir dir_;
    SecurityPolicy policy_;
    MvRasSwfThread thread_{policy_};
};

bool clipboardHasBitmap() {
    tbx::ClipboardGuard clipboard(nullptr);
    return IsClipboardFormatAvailable(CF_BITMAP) != FALSE;
}

void emptyClipboard() {
    tbx::ClipboardGuard clipboard(nullptr);
    EmptyClipboard();
}

}  // namespace

TEST_F(RasteriserThread, PaintsTheStageAndItsDrawingIntoABitmapOfTheMoviesSize) {
    std::string movie = writeMovie(dir_, "box.swf", kBoxMovie);
    tbx::GdiObject bitmap = job(movie)->render(thread_);
    Pixels pixels = pixelsOf(static_cast<HBITMAP>(bitmap.get()));
    EXPECT_EQ(550, pixels.width);
    EXPECT_EQ(400, pixels.height);
    EXPECT_EQ(0x336699u, pixels.at(10, 10));
    EXPECT_EQ(0xFF0000u, pixels.at(101, 51));
    EXPECT_EQ(0xFF0000u, pixels.at(298, 148));
    EXPECT_EQ(0x336699u, pixels.at(301, 151));
    EXPECT_EQ(0x336699u, pixels.at(549, 399));
}

TEST_F(RasteriserThread, SizesFollowScaleBoxAndGivenSize) {
    std::string movie = writeMovie(dir_, "box.swf", kBoxMovie);
    struct Case {
        int scale, boxWidth, boxHeight, width, height;
        LONG wantWidth, wantHeight;
    } cases[] = {
        {100, 100, 100, 0, 0, 100, 72},
        {50, 0, 0, 0, 0, 220, 160},
        {100, 0, 0, 300, 200, 300, 200},
    };
    for (const Case& c : cases) {
        auto request = job(movie);
        request->scale = c.scale;
        request->boxWidth = c.boxWidth;
        request->boxHeight = c.boxHeight;
        request->width = c.width;
        request->height = c.height;
        tbx::GdiObject bitmap = request->render(thread_);
        Pixels pixels = pixelsOf(static_cast<HBITMAP>(bitmap.get()));
        EXPECT_EQ(c.wantWidth, pixels.width) << c.scale;
        EXPECT_EQ(c.wantHeight, pixels.height) << c.scale;
        EXPECT_EQ(0x336699u, pixels.at(0, 0)) << c.scale;
    }
}

TEST_F(RasteriserThread, TheQueryReachesTheMovieAsFlashVars) {
    std::string movie = writeMovie(dir_, "vars.swf", "graphics.fillRect(0, 0, 10, 10, Number(flashVars.colour));");
    auto request = job(movie);
    request->query = "colour=65280";
    tbx::GdiObject bitmap = request->render(thread_);
    EXPECT_EQ(0x00FF00u, pixelsOf(static_cast<HBITMAP>(bitmap.get())).at(5, 5));
}

TEST_F(RasteriserThread, AMovieThatWaitsDecidesWhenToBeCapturedOrReportsAnError) {
    std::string ready = writeMovie(dir_, "ready.swf", R"JS(
setTimeout(function () {
  graphics.fillRect(0, 0, 20, 20, 0x0000FF);
  fscommand("readyRender", "");
}, 300);)JS");
    auto waiting = job(ready);
    waiting->waitForReady = true;
    tbx::GdiObject bitmap = waiting->render(thread_);
    EXPECT_EQ(0x0000FFu, pixelsOf(static_cast<HBITMAP>(bitmap.get())).at(10, 10));  // drawn before the signal

    std::string broken = writeMovie(dir_, "broken.swf", R"JS(fscommand("error", "no data");)JS");
    auto failing = job(broken);
    failing->waitForReady = true;
    EXPECT_EQ("コピーデータのレンダリングに失敗しました。追加情報:no data", failureOf(failing));
}

TEST_F(RasteriserThread, JobsThatCannotStartFailWithTheirReasons) {
    writeMovie(dir_, "x.swf", kBoxMovie);
    EXPECT_EQ("ファイルを開けませんでした。", failureOf(job(dir_ / "missing.swf")));
    movara_test::writeBytes(dir_ / "text.swf", "not a movie");
    EXPECT_EQ("SWFファイルの形式が正しく無いか、対応していないバージョンです。", failureOf(job(dir_ / "text.swf")));
    auto longPath = job(dir_ / std::string(300, 'a') + ".swf");
    longPath->width = 10;
    longPath->height = 10;
    EXPECT_EQ("ムービーファイルの絶対パスを作れませんでした。", failureOf(longPath));
}

TEST_F(RasteriserThread, TheClipboardTargetLeavesABitmapOfThePicturesSize) {
    emptyClipboard();
    std::string movie = writeMovie(dir_, "box.swf", kBoxMovie);
    auto request = job(movie);
    request->target = RasterTarget::Clipboard;
    request->boxWidth = 100;
    request->boxHeight = 100;
    tbx::GdiObject none = request->render(thread_);
    EXPECT_FALSE(none);
    tbx::ClipboardGuard clipboard(nullptr);
    ASSERT_TRUE(clipboard.isOpen());
    HBITMAP onClipboard = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(nullptr, onClipboard);
    BITMAP info = {};
    GetObjectA(onClipboard, sizeof info, &info);
    EXPECT_EQ(100, info.bmWidth);
    EXPECT_EQ(72, info.bmHeight);
}

TEST_F(RasteriserThread, EnterAndEscapeDoNotCloseTheHiddenDialog) {
    // Once a job has run, the dialog exists and its player has the stage.
    job(writeMovie(dir_, "box.swf", kBoxMovie))->render(thread_);
    HWND dialog = thread_.dialog()->window();
    HWND player = thread_.dialog()->playerWindow();
    ASSERT_TRUE(IsWindow(dialog));
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        PostMessageA(player, WM_KEYDOWN, key, 0);
        PostMessageA(player, WM_KEYUP, key, 0);
    }
    job(dir_ / "box.swf")->render(thread_);  // runs after the keys
    EXPECT_TRUE(IsWindow(dialog));
}

TEST_F(RasteriserThread, StoppingTheThreadLeavesNoWindowBehind) {
    job(writeMovie(dir_, "box.swf", kBoxMovie))->render(thread_);
    HWND dialog = thread_.dialog()->window();
    EXPECT_EQ(&thread_, MvRasSwfThread::current());
    thread_.stopRasterThread();
    EXPECT_FALSE(thread_.isRunning());
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ("", failureOf(job(dir_ / "box.swf"), 1000));  // nobody takes jobs any more
}

// The requester gives up after 15 s; the movie says it is ready a little
// later and then paints a green mark. That late signal must neither reach the
// abandoned job (whose target was the clipboard) nor spoil the next job.
TEST_F(RasteriserThread, AJobAbandonedAfterTheWaitIsNeverTouchedAgain) {
    emptyClipboard();
    std::string late = writeMovie(dir_, "late.swf", R"JS(
setTimeout(function () {
  fscommand("readyRender", "");
  graphics.fillRect(0, 0, 20, 20, 0x00FF00);
}, 16000);)JS");
    auto abandoned = job(late);
    abandoned->waitForReady = true;
    abandoned->target = RasterTarget::Clipboard;
    DWORD start = GetTickCount();
    EXPECT_EQ("", failureOf(abandoned));  // the wait ran out; the signal would have finished it
    EXPECT_GE(GetTickCount() - start, 14900u);

    // The mark shows the signal has been handled on the rasteriser's thread
    // (read without a job: a new job would take the abandoned one's place);
    // a picture on the clipboard shows it reached the abandoned job.
    HWND player = thread_.dialog()->playerWindow();
    ASSERT_TRUE(movara_test::waitUntil(
        [&] { return clipboardHasBitmap() || paintedAt(player, 10, 10) == 0x00FF00u; }, 30000, 200))
        << "the movie's late signal never came";
    EXPECT_FALSE(clipboardHasBitmap()) << "the late signal reached the abandoned job";
    tbx::GdiObject bitmap = job(writeMovie(dir_, "box.swf", kBoxMovie))->render(thread_);
    EXPECT_EQ(0xFF0000u, pixelsOf(static_cast<HBITMAP>(bitmap.get())).at(150, 100));
}
