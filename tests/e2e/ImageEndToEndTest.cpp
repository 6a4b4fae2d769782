// Movies and images through a running movara.exe: the SWF and image
// commands, and movies rendered on the rasteriser's thread, which trace to
// the same output and may call only the secure file service.
#include "GdiplusTestSupport.h"
#include "MoviePrelude.h"
#include "MovaraRun.h"
#include "SwfWriter.h"

using e2e::MovaraRun;
using e2e::withPrelude;
using movara_test::cp932ToUtf8;

namespace {

void writeMovie(MovaraRun& run, const std::string& name, const std::string& script, uint32_t background,
                bool as3 = false) {
    SwfOptions options;
    options.backgroundColor = background;
    options.actionScript3 = as3;
    movara_test::writeBytes(run.path(name), buildSwf(options, cp932ToUtf8(script)));
}

// How many trace lines start with prefix before the first that starts with end.
int countTracesBefore(MovaraRun& run, const std::string& prefix, const std::string& end) {
    int count = 0;
    for (const std::string& line : run.traces()) {
        if (line.compare(0, end.size(), end) == 0) break;
        if (line.compare(0, prefix.size(), prefix) == 0) ++count;
    }
    return count;
}

}  // namespace

TEST(ImageEndToEnd, MoviesAreMeasuredTestedRenderedAndThumbnailed) {
    movara_test::GdiplusSession gdiplus;
    MovaraRun run;
    // Pictures and thumbnails are files the movie writes: the policy decides.
    movara_test::makeDirectory(run.path("locked"));
    run.writeSettings(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<settings><security><fileAccess>"
        "<deny access=\"rw\" match=\"dir\">" +
        run.path("locked") + "</deny><allow access=\"rw\" match=\"dir\">" + run.directory() +
        "</allow></fileAccess></security></settings>");
    writeMovie(run, "inner.swf", R"JS(
trace("inner loaded");
graphics.fillRect(100, 50, 200, 100, 0xFF0000);)JS",
               0x336699);
    writeMovie(run, "as3.swf", "", 0xFFFFFF, true);
    writeMovie(run, "vars.swf", "graphics.fillRect(0, 0, 50, 50, Number(flashVars.colour));", 0xFFFFFF);
    writeMovie(run, "ready.swf", R"JS(
setTimeout(function () { graphics.fillRect(0, 0, 50, 50, 0x0000FF); fscommand("readyRender", ""); }, 300);)JS",
               0xFFFFFF);
    writeMovie(run, "broken.swf", R"JS(fscommand("error", "壊れています");)JS", 0xFFFFFF);
    movara_test::writeBytes(run.path("note.txt"), "note text");
    writeMovie(run, "secure.swf", withPrelude(R"JS(
report("inner-read", "loadTextFile", "note.txt", "UTF-8");
report("inner-list", "getFileNames", ".", ["*.*"]);
fscommand("readyRender", "");)JS"),
               0xFFFFFF);
    run.writeMovie(withPrelude(R"JS(
report("isSwf", "isSwf", "inner.swf");
report("isSwf-exe", "isSwf", "movara.exe");
report("as3", "isAs3Swf", "as3.swf");
report("as3-not", "isAs3Swf", "inner.swf");
report("raster", "rasterizeSwf", "inner.swf", "inner.png");
report("again", "rasterizeSwf", "inner.swf", "again.png", false, 50);
// call() of the prelude passes at most four arguments.
trace("vars " + show(ExternalInterface.call("rasterizeSwf", "vars.swf", "vars.png", false, 100, "colour=65280")));
report("codec", "rasterizeSwf", "inner.swf", "inner.xyz");
report("wait", "rasterizeSwf", "ready.swf", "ready.png", true);
report("error", "rasterizeSwf", "broken.swf", "broken.png", true);
report("secure", "rasterizeSwf", "secure.swf", "secure.png", true);
report("thumb", "makeThumbnail", "inner.swf", "inner.thumb", 100, 100);
report("locked-raster", "rasterizeSwf", "inner.swf", "locked\\inner.png");
report("locked-thumb", "makeThumbnail", "inner.png", "locked\\inner.thumb", 100, 100);
report("locked-update", "updateThumbnail", "inner.png", "locked\\update.thumb", 100, 100);
trace("thumb-jpeg " + show(ExternalInterface.call("makeThumbnail", "inner.png", "photo.thumb", 100, 100, ".jpg")));
report("size-movie", "getImageSize", "inner.swf");
report("size-image", "getImageSize", "inner.png");
report("size-none", "getImageSize", "none.png");
trace("done");
)JS"));
    run.start();
    run.waitForTrace("done", 60000);
    EXPECT_EQ(run.waitForTrace("isSwf "), "isSwf true");
    EXPECT_EQ(run.waitForTrace("isSwf-exe"), "isSwf-exe false");
    EXPECT_EQ(run.waitForTrace("as3 "), "as3 true");
    EXPECT_EQ(run.waitForTrace("as3-not"), "as3-not false");
    EXPECT_EQ(run.waitForTrace("raster"), "raster true");
    EXPECT_EQ(run.waitForTrace("again"), "again true");
    EXPECT_EQ(run.waitForTrace("vars"), "vars true");
    EXPECT_EQ(run.waitForTrace("codec"), "codec {\"message\":\"codec not found\",\"type\":\"error\"}");
    EXPECT_EQ(run.waitForTrace("wait"), "wait true");
    EXPECT_EQ(run.waitForTrace("error"),
              cp932ToUtf8("error {\"message\":\"コピーデータのレンダリングに失敗しました。追加情報:壊れています\","
                          "\"type\":\"error\"}"));
    EXPECT_EQ(run.waitForTrace("inner-read"), "inner-read \"note text\"");
    EXPECT_EQ(run.waitForTrace("inner-list"),
              cp932ToUtf8("inner-list {\"message\":\"呼び出された処理が見つかりませんでした。\",\"type\":\"error\"}"));
    EXPECT_EQ(run.waitForTrace("secure"), "secure true");
    EXPECT_EQ(run.waitForTrace("thumb "), "thumb null");
    for (const char* refused : {"locked-raster", "locked-thumb", "locked-update"})
        EXPECT_EQ(run.waitForTrace(refused), std::string(refused) + " {\"message\":\"file access exception\",\"type\":\"error\"}");
    EXPECT_TRUE(movara_test::directoryExists(run.path("locked")));
    EXPECT_FALSE(movara_test::fileExists(run.path("locked\\inner.png")));
    EXPECT_FALSE(movara_test::fileExists(run.path("locked\\inner.thumb")));
    EXPECT_FALSE(movara_test::fileExists(run.path("locked\\update.thumb")));
    EXPECT_EQ(run.waitForTrace("thumb-jpeg"), "thumb-jpeg null");
    EXPECT_EQ(run.waitForTrace("size-movie"), "size-movie {\"h\":8000,\"w\":11000}");
    EXPECT_EQ(run.waitForTrace("size-image"), "size-image {\"h\":400,\"w\":550}");
    EXPECT_EQ(run.waitForTrace("size-none"),
              cp932ToUtf8("size-none {\"message\":\"画像ファイル読込みエラー\",\"type\":\"error\"}"));
    // Rendered twice, loaded once: the second picture came from the running movie.
    EXPECT_EQ(1, countTracesBefore(run, "inner loaded", "vars"));
    EXPECT_FALSE(movara_test::fileExists(run.path("inner.xyz")));
    EXPECT_FALSE(movara_test::fileExists(run.path("broken.png")));

    struct Picture {
        const char* name;
        LONG width, height;
        int x, y;
        Gdiplus::ARGB colour;
    } pictures[] = {
        {"inner.png", 550, 400, 150, 100, 0xFFFF0000}, {"inner.png", 550, 400, 10, 10, 0xFF336699},
        {"again.png", 220, 160, 5, 5, 0xFF336699},     {"vars.png", 550, 400, 25, 25, 0xFF00FF00},
        {"ready.png", 550, 400, 25, 25, 0xFF0000FF},   {"inner.thumb", 100, 72, 30, 18, 0xFFFF0000},
    };
    for (const Picture& p : pictures) {
        std::string bytes = movara_test::readBytes(run.path(p.name));
        EXPECT_TRUE(movara_test::isPngData(bytes)) << p.name;
        movara_test::TestImage image = movara_test::loadImage(run.path(p.name));
        ASSERT_TRUE(image) << p.name;
        EXPECT_EQ(p.width, movara_test::imageSize(image.get()).cx) << p.name;
        EXPECT_EQ(p.height, movara_test::imageSize(image.get()).cy) << p.name;
        EXPECT_EQ(p.colour, movara_test::pixelAt(image.get(), p.x, p.y)) << p.name;
    }
    EXPECT_TRUE(movara_test::isJpegData(movara_test::readBytes(run.path("photo.thumb"))));

    PostMessageA(run.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.waitForExit());
}
