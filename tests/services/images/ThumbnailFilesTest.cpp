// Thumbnail files of images and movies: freshness, naming, encoders, the
// directory walk, and image and movie sizes. Movies are rendered by a real
// rasteriser thread.
#include "tbx/MvException.h"
#include "raster/MvRasSwfThread.h"
#include "services/common/PathUtilities.h"
#include "services/images/ThumbnailFiles.h"
#include "GdiplusTestSupport.h"
#include "MovaraTest.h"
#include "security/SecurityPolicy.h"
#include "SwfWriter.h"
#include "framework/Application.h"
#include "imaging/MvGpImageConverter.h"
#include "tbx/TbException.h"

using namespace movara_test;

namespace {

// The process's current directory, as the system answers it.
std::string systemCurrentDirectory() {
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

class Thumbnails : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fw::Application::enableControlContainer();
        gdiplus_ = new GdiplusSession;
        rasteriser_ = new MvRasSwfThread(policy_);
        rasteriser_->CreateThread();
    }
    static void TearDownTestSuite() {
        delete rasteriser_;
        delete gdiplus_;
    }

    // A 400 x 300 PNG image.
    std::string writeImage(const std::string& name) {
        TestImage image = solidBitmap(400, 300, 0xFF808000);
        encoders_.saveImage(dir_ / name, ".png", image.get());
        return dir_ / name;
    }

    static FILETIME timeOf(const std::string& path) { return lastWriteTime(path); }
    static bool sameTime(const std::string& a, const std::string& b) {
        FILETIME first = timeOf(a), second = timeOf(b);
        return CompareFileTime(&first, &second) == 0;
    }
    static FILETIME shifted(FILETIME time, LONGLONG seconds) {
        ULARGE_INTEGER value = {{time.dwLowDateTime, time.dwHighDateTime}};
        value.QuadPart += seconds * 10000000LL;
        return FILETIME{value.LowPart, value.HighPart};
    }
    static std::string failureOf(const std::function<void()>& action) {
        try {
            action();
            return "(no failure)";
        } catch (const std::exception& e) {
            return e.what();
        }
    }

    ScratchDir dir_;
    MvGpImageConverter encoders_;
    ThumbnailMaker maker_{*rasteriser_, encoders_};
    static GdiplusSession* gdiplus_;
    static SecurityPolicy policy_;
    static MvRasSwfThread* rasteriser_;
};

GdiplusSession* Thumbnails::gdiplus_ = nullptr;
SecurityPolicy Thumbnails::policy_;
MvRasSwfThread* Thumbnails::rasteriser_ = nullptr;

}  // namespace

TEST_F(Thumbnails, AreWrittenOnlyWhenMissingOrOutOfDate) {
    std::string source = writeImage("photo.jpg");
    std::string thumbnail = source + ".thumbnail";
    const std::string marker = "kept";

    maker_.updateThumbnailFile(nullptr, source, 100, 100, true, nullptr);  // default name, PNG
    ASSERT_TRUE(isPngData(readBytes(thumbnail)));
    EXPECT_TRUE(sameTime(source, thumbnail));

    // Current: left alone (the marker shows it was not written again).
    auto markThumbnail = [&] {
        FILETIME time = timeOf(thumbnail);
        writeBytes(thumbnail, marker);
        setLastWriteTime(thumbnail, time);
    };
    markThumbnail();
    maker_.updateThumbnailFile(nullptr, source, 100, 100, true, nullptr);
    EXPECT_EQ(marker, readBytes(thumbnail));

    for (LONGLONG seconds : {-3600LL, 7200LL}) {  // the source touched older, then newer
        setLastWriteTime(source, shifted(timeOf(source), seconds));
        maker_.updateThumbnailFile(nullptr, source, 100, 100, true, nullptr);
        EXPECT_TRUE(isPngData(readBytes(thumbnail))) << seconds;
        EXPECT_TRUE(sameTime(source, thumbnail));
        markThumbnail();
    }
    maker_.updateThumbnailFile(nullptr, source, 100, 100, false, nullptr);  // no time check: always
    EXPECT_TRUE(isPngData(readBytes(thumbnail)));

    TestImage small = loadImage(thumbnail);
    ASSERT_TRUE(small);
    EXPECT_EQ(100, imageSize(small.get()).cx);
    EXPECT_EQ(75, imageSize(small.get()).cy);
}

TEST_F(Thumbnails, MoviesAreRenderedAndSavedAsPng) {
    SwfOptions options;
    options.backgroundColor = 0x00FF00;
    writeBytes(dir_ / "movie.swf", buildSwf(options, ""));
    writeBytes(dir_ / "movie.bin", buildSwf(options, ""));
    maker_.makeThumbnailFile(dir_ / "movie.swf", dir_ / "m1.jpg", 100, 100, nullptr);
    maker_.makeThumbnailFile(dir_ / "movie.bin", dir_ / "m2", 100, 100, "swf");
    for (const char* name : {"m1.jpg", "m2"}) {
        ASSERT_TRUE(isPngData(readBytes(dir_ / name))) << name;
        TestImage picture = loadImage(dir_ / name);
        EXPECT_EQ(100, imageSize(picture.get()).cx) << name;
        EXPECT_EQ(72, imageSize(picture.get()).cy) << name;
        EXPECT_EQ(0xFF00FF00u, pixelAt(picture.get(), 50, 36)) << name;
    }
}

TEST_F(Thumbnails, ADirectoryIsWalkedUntilTheFirstFailureAndItsFolderRestored) {
    writeImage("a.png");
    writeImage("b.png");
    writeBytes(dir_ / "z.txt", "no image");
    std::string before = systemCurrentDirectory();
    std::vector<std::string> names =
        maker_.updateThumbnailsInDirectory(dir_.path(), {"*.png", "*.png", "*.none"}, 50, 50, true, nullptr);
    EXPECT_EQ(2u, names.size());  // each name once
    EXPECT_TRUE(fileExists(dir_ / "a.png.thumbnail"));
    EXPECT_TRUE(fileExists(dir_ / "b.png.thumbnail"));
    EXPECT_EQ(before, systemCurrentDirectory());

    DeleteFileA((dir_ / "a.png.thumbnail").c_str());
    DeleteFileA((dir_ / "b.png.thumbnail").c_str());
    EXPECT_EQ("画像ファイル読込みエラー", failureOf([&] {
                  maker_.updateThumbnailsInDirectory(dir_.path(), {"*.png", "*.txt"}, 50, 50, true, nullptr);
              }));
    EXPECT_TRUE(fileExists(dir_ / "a.png.thumbnail"));  // made before the failure: they stay
    EXPECT_TRUE(fileExists(dir_ / "b.png.thumbnail"));
    EXPECT_FALSE(fileExists(dir_ / "z.txt.thumbnail"));
    EXPECT_EQ(before, systemCurrentDirectory());
}

TEST(SetLastWriteTime, SetsOnlyTheLastWriteTimeAndNamesTheSystemError) {
    ScratchDir dir;
    writeBytes(dir / "f", "x");
    FILETIME wanted = {0x12345678, 0x01D00000};
    setLastWriteTime(dir / "f", wanted);
    FILETIME got = lastWriteTime(dir / "f");
    EXPECT_EQ(0, CompareFileTime(&wanted, &got));
    try {
        setLastWriteTime(dir / "missing", wanted);
        ADD_FAILURE() << "no failure";
    } catch (const TbException& e) {
        EXPECT_EQ("ファイルの更新時刻設定に失敗しました。code:2", e.message());
    }
}
