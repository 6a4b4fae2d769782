// The SWF and image services called directly: how arguments become jobs and
// thumbnails, what is written, and what the movie gets back.
#include "services/images/FlashExServiceImageFile.h"
#include "services/images/FlashExServiceSwf.h"
#include "services/images/RasterJob.h"
#include "../../security/PolicyTestSupport.h"
#include "GdiplusTestSupport.h"
#include "MovaraTest.h"
#include "ServiceTestSupport.h"
#include "SwfWriter.h"
#include "imaging/MvGpImageConverter.h"

using namespace movara_test;
using namespace service_test;

namespace {

const char kIndexMessage[] = "配列のインデックスが範囲を超えています。";

// Finishes every job at once with a 4 x 3 picture of one colour, or with
// the failure it is told; keeps the last job.
class InstantRasteriser : public Rasteriser {
public:
    bool post(const std::shared_ptr<RasterJob>& job) override {
        last = job;
        if (!failure.empty()) {
            job->finish(false, failure);
            return true;
        }
        tbx::WindowDC screen(nullptr);
        tbx::GdiObject bitmap(CreateCompatibleBitmap(screen.get(), 4, 3));
        tbx::MemoryDC memory(CreateCompatibleDC(screen.get()));
        {
            tbx::SelectedObject selected(memory.get(), bitmap.get());
            RECT all = {0, 0, 4, 3};
            tbx::GdiObject brush(CreateSolidBrush(RGB(0, 0x80, 0xFF)));
            FillRect(memory.get(), &all, static_cast<HBRUSH>(brush.get()));
        }
        job->finish(true, "", std::move(bitmap));
        return true;
    }
    std::shared_ptr<RasterJob> last;
    std::string failure;
};

class ImageServices : public ::testing::Test {
protected:
    ImageServices() : swf_(rasteriser_, testPolicy(), encoders_), images_(rasteriser_, testPolicy(), encoders_) {}

    GdiplusSession gdiplus_;
    ScratchDir dir_;
    InstantRasteriser rasteriser_;
    MvGpImageConverter encoders_;
    FlashExServiceSwf swf_;
    FlashExServiceImageFile images_;
};

}  // namespace

TEST_F(ImageServices, RasterizeSwfTurnsItsArgumentsIntoAJob) {
    struct Case {
        std::initializer_list<FlashExParam*> args;
        bool wait;
        int scale;
        const char* query;
        int boxWidth, boxHeight, width, height;
    };
    std::string out = dir_ / "out.png";
    Case cases[] = {
        {{str("m.swf"), str(out)}, false, 100, "", 0, 0, 0, 0},
        {{str("m.swf"), str(out), flag(true), num(50), str("a=1"), num(10), num(20), num(30), num(40)},
         true,
         50,
         "a=1",
         10,
         20,
         30,
         40},
        {{str("m.swf"), str(out), flag(false), num(100), new FlashExParamNull}, false, 100, "", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Result answer = call(swf_, "rasterizeSwf", c.args);
        ASSERT_EQ(ParamKind::Bool, answer->kind());
        EXPECT_TRUE(answer->getBool());
        const RasterJob& job = *rasteriser_.last;
        EXPECT_EQ(testPolicy().checkRead("m.swf"), job.moviePath);  // the movie judged
        EXPECT_EQ(c.wait, job.waitForReady);
        EXPECT_EQ(c.scale, job.scale);
        EXPECT_EQ(c.query, job.query);
        EXPECT_EQ(c.boxWidth, job.boxWidth);
        EXPECT_EQ(c.boxHeight, job.boxHeight);
        EXPECT_EQ(c.width, job.width);
        EXPECT_EQ(c.height, job.height);
        EXPECT_EQ(RasterTarget::File, job.target);
    }
    EXPECT_EQ(kIndexMessage, failure(swf_, "rasterizeSwf", {str("m.swf")}));
    EXPECT_EQ("type error", failure(swf_, "rasterizeSwf", {new FlashExParamNull, str(out)}));
    EXPECT_EQ("type error", failure(swf_, "rasterizeSwf", {str("m.swf"), str(out), num(1)}));
}

TEST_F(ImageServices, RasterizeSwfWritesByTheOutputsExtensionOrLeavesThePictureOnTheClipboard) {
    call(swf_, "rasterizeSwf", {str("m.swf"), str(dir_ / "a.PNG")});
    call(swf_, "rasterizeSwf", {str("m.swf"), str(dir_ / "a.jpg")});
    EXPECT_TRUE(isPngData(readBytes(dir_ / "a.PNG")));
    EXPECT_TRUE(isJpegData(readBytes(dir_ / "a.jpg")));
    TestImage picture = loadImage(dir_ / "a.PNG");
    ASSERT_TRUE(picture);
    EXPECT_EQ(0xFF0080FFu, pixelAt(picture.get(), 3, 2));

    EXPECT_EQ("codec not found", failure(swf_, "rasterizeSwf", {str("m.swf"), str(dir_ / "a.xyz")}));
    EXPECT_FALSE(fileExists(dir_ / "a.xyz"));

    // The rasteriser put the picture on the clipboard; nothing is saved.
    Result answer = call(swf_, "rasterizeSwf", {str("m.swf"), str(":clipboard")});
    EXPECT_TRUE(answer->getBool());
    EXPECT_EQ(RasterTarget::Clipboard, rasteriser_.last->target);

    rasteriser_.failure = "ビットマップ作成エラー";
    EXPECT_EQ("ビットマップ作成エラー", failure(swf_, "rasterizeSwf", {str("m.swf"), str(dir_ / "b.png")}));
    EXPECT_FALSE(fileExists(dir_ / "b.png"));
}

// The test policy refuses writing names that end in "\\forbidden" and
// "\\readonly": no picture goes there, and a refused movie is not rendered.
TEST_F(ImageServices, PicturesAndThumbnailsGoOnlyWhereTheMovieMayWrite) {
    TestImage image = solidBitmap(40, 30, 0xFF102030);
    encoders_.saveImage(dir_ / "photo.png", ".png", image.get());
    writeBytes(dir_ / "m.swf", buildSwf(SwfOptions(), ""));
    const std::string photo = dir_ / "photo.png", movie = dir_ / "m.swf";
    for (const char* name : {"forbidden", "readonly"}) {
        const std::string target = dir_ / name;
        rasteriser_.last.reset();
        EXPECT_EQ("file access exception", failure(swf_, "rasterizeSwf", {str(movie), str(target)})) << name;
        EXPECT_EQ(nullptr, rasteriser_.last) << name;
        EXPECT_EQ("file access exception",
                  failure(images_, "makeThumbnail", {str(photo), str(target), num(10), num(10)}))
            << name;
        EXPECT_EQ("file access exception",
                  failure(images_, "updateThumbnail", {str(photo), str(target), num(10), num(10)}))
            << name;
        EXPECT_FALSE(fileExists(target)) << name;
    }
}

// Commands that read a file the movie names, under a policy that lets the
// movie read and write the scratch folder but not read its folder "Denied"
// (a picture and a movie) nor any share. Each is refused and leaves nothing;
// before, each one read the file (or, for the share, asked its server).
TEST_F(ImageServices, EveryFileReadIsJudged) {
    const std::string denied = dir_ / "Denied", work = dir_ / "Work";
    makeDirectory(denied);
    makeDirectory(work);
    TestImage image = solidBitmap(40, 30, 0xFF102030);
    encoders_.saveImage(denied + "\\id.png", ".png", image.get());
    writeBytes(denied + "\\m.swf", buildSwf(SwfOptions(), ""));
    auto policy = policyFromSettings("<security><fileAccess><deny access=\"r\" match=\"dir\">" + denied +
                                     "</deny><allow access=\"rw\" match=\"dir\">" + dir_.path() +
                                     "</allow></fileAccess></security>");
    FlashExServiceSwf swf(rasteriser_, *policy, encoders_);
    FlashExServiceImageFile images(rasteriser_, *policy, encoders_);
    auto patterns = [](const char* pattern) {
        auto list = new FlashExParamArray;
        list->pushString(pattern);
        return list;
    };
    struct Row {
        FlashExService& service;
        const char* command;
        std::initializer_list<FlashExParam*> arguments;
        std::string leftBehind;
    } rows[] = {
        {images, "makeThumbnail", {str(denied + "\\id.png"), str(work + "\\a.png"), num(0), num(0)}, work + "\\a.png"},
        {images, "makeThumbnail", {str(denied + "\\m.swf"), str(work + "\\b.png"), num(0), num(0)}, work + "\\b.png"},
        {images,
         "updateThumbnail",
         {str(denied + "\\id.png"), str(work + "\\c.png"), num(0), num(0)},
         work + "\\c.png"},
        {images,
         "updateThumbnails",
         {str(denied), patterns("*.png"), num(0), num(0), flag(false)},
         denied + "\\id.png.thumbnail"},
        {images, "updateThumbnails", {str(work), patterns("..\\Denied\\*"), num(0), num(0), flag(false)}, ""},
        {images, "getImageSize", {str(denied + "\\id.png")}, ""},
        {images, "getImageSize", {str("\\\\fileserver\\photos\\id.png")}, ""},
        {swf, "rasterizeSwf", {str(denied + "\\m.swf"), str(work + "\\d.png")}, work + "\\d.png"},
        {swf, "isSwf", {str(denied + "\\m.swf")}, ""},
        {swf, "isAs3Swf", {str(denied + "\\m.swf")}, ""},
        {swf, "isSwf", {str("\\\\fileserver\\movies\\m.swf")}, ""},
    };
    for (const Row& row : rows) {
        rasteriser_.last.reset();
        EXPECT_EQ("file access exception", failure(row.service, row.command, row.arguments)) << row.command;
        EXPECT_EQ(nullptr, rasteriser_.last) << row.command << ": a refused movie was rendered";
        if (!row.leftBehind.empty()) {
            EXPECT_FALSE(fileExists(row.leftBehind)) << row.command;
        }
    }
}

TEST_F(ImageServices, MovieTestsAnswerFalseForWhatIsNoMovie) {
    SwfOptions as3;
    as3.actionScript3 = true;
    writeBytes(dir_ / "as3.swf", buildSwf(as3, ""));
    writeBytes(dir_ / "as2.swf", buildSwf(SwfOptions(), ""));
    writeBytes(dir_ / "text.swf", "text");
    struct Case {
        const char* name;
        bool swf, as3;
    } cases[] = {{"as3.swf", true, true}, {"as2.swf", true, false}, {"text.swf", false, false}, {"none", false, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.swf, call(swf_, "isSwf", {str(dir_ / c.name)})->getBool()) << c.name;
        EXPECT_EQ(c.as3, call(swf_, "isAs3Swf", {str(dir_ / c.name)})->getBool()) << c.name;
    }
    EXPECT_EQ("type error", failure(swf_, "isSwf", {num(1)}));
    FlashExRequest other;
    other.name = "makeThumbnail";
    ParamPtr result;
    EXPECT_FALSE(swf_.invoke(other, result));
}

TEST_F(ImageServices, ThumbnailCommandsNameTypeAndMeasure) {
    TestImage image = solidBitmap(400, 300, 0xFF102030);
    encoders_.saveImage(dir_ / "photo.jpg", ".png", image.get());
    std::string photo = dir_ / "photo.jpg";

    EXPECT_EQ(ParamKind::Null,
              call(images_, "updateThumbnail", {str(photo), new FlashExParamNull, num(100), num(100)})->kind());
    TestImage thumbnail = loadImage(photo + ".thumbnail");
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(100, imageSize(thumbnail.get()).cx);
    EXPECT_EQ(75, imageSize(thumbnail.get()).cy);
    thumbnail.reset();

    call(images_, "makeThumbnail", {str(photo), str(dir_ / "t.png"), num(0), num(0), str(".jpg")});
    EXPECT_TRUE(isJpegData(readBytes(dir_ / "t.png")));
    EXPECT_EQ("codec not found",
              failure(images_, "makeThumbnail", {str(photo), str(dir_ / "t.png"), num(0), num(0), str("bmp")}));
    EXPECT_EQ("type error", failure(images_, "makeThumbnail", {str(photo), new FlashExParamNull, num(0), num(0)}));
    call(images_, "makeThumbnail", {str(photo), str(dir_ / "t.jpg"), num(0), num(0)});  // no type: PNG
    EXPECT_TRUE(isPngData(readBytes(dir_ / "t.jpg")));
    writeBytes(dir_ / "text.png", "not an image");
    EXPECT_EQ("画像ファイル読込みエラー",
              failure(images_, "makeThumbnail", {str(dir_ / "text.png"), str(dir_ / "t.png"), num(0), num(0)}));
    EXPECT_EQ(kIndexMessage, failure(images_, "makeThumbnail", {str(photo), str(dir_ / "t.png"), num(0)}));

    // A movie's thumbnail comes from the rasteriser, boxed by the limits.
    writeBytes(dir_ / "m.swf", buildSwf(SwfOptions(), ""));
    call(images_, "makeThumbnail", {str(dir_ / "m.swf"), str(dir_ / "m.thumb"), num(80), num(60)});
    EXPECT_TRUE(isPngData(readBytes(dir_ / "m.thumb")));
    EXPECT_EQ(80, rasteriser_.last->boxWidth);
    EXPECT_EQ(60, rasteriser_.last->boxHeight);
    EXPECT_EQ(100, rasteriser_.last->scale);
    EXPECT_FALSE(rasteriser_.last->waitForReady);

    Result size = call(images_, "getImageSize", {str(dir_ / "m.swf")});
    EXPECT_EQ(11000, size->getProperty("w")->getInt());
    EXPECT_EQ(8000, size->getProperty("h")->getInt());
    size = call(images_, "getImageSize", {str(photo)});
    EXPECT_EQ(400, size->getProperty("w")->getInt());
    EXPECT_EQ(300, size->getProperty("h")->getInt());
    EXPECT_EQ("ファイルを開けませんでした。", failure(images_, "getImageSize", {str(dir_ / "none.swf")}));
    EXPECT_EQ("画像ファイル読込みエラー", failure(images_, "getImageSize", {str(dir_ / "m.SWF")}));  // "swf" only

    FlashExParamArray* patterns = new FlashExParamArray;
    patterns->pushString("*.swf");
    Result names = call(images_, "updateThumbnails", {str(dir_.path()), patterns, num(50), num(50), flag(true)});
    ASSERT_EQ(1u, names->asArray()->size());
    EXPECT_EQ("m.swf", names->asArray()->at(0)->getString());
    EXPECT_TRUE(isPngData(readBytes(dir_ / "m.swf.thumbnail")));
}
