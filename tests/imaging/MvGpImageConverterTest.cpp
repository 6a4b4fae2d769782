#include <cstring>
#include <functional>

#include "GdiplusTestSupport.h"
#include "MovaraTest.h"
#include "imaging/GpImage.h"
#include "imaging/MvGpImageConverter.h"

using namespace movara_test;

namespace {

// GDI+ runs for the whole suite, as it does for the whole program.
class GdiplusEnvironment : public ::testing::Environment {
    void SetUp() override { session_.reset(new GdiplusSession); }
    void TearDown() override { session_.reset(); }
    std::unique_ptr<GdiplusSession> session_;
};
const auto* const gdiplusEnvironment = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

// The CLSID of GDI+'s encoder for a MIME type, looked up independently of the
// converter.
CLSID encoderFor(const wchar_t* mimeType) {
    UINT count = 0, size = 0;
    Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &size);
    std::vector<uint8_t> table(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(table.data());
    Gdiplus::DllExports::GdipGetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i)
        if (wcscmp(codecs[i].MimeType, mimeType) == 0) return codecs[i].Clsid;
    ADD_FAILURE() << "no encoder for the MIME type";
    return CLSID{};
}

std::string failureOf(const std::function<void()>& action) {
    try {
        action();
        return "";
    } catch (const MvGpException& e) {
        return e.what();
    }
}

}  // namespace

TEST(MvGpImageConverter, ThumbnailSizeFitsTheLimitsWithoutEnlarging) {
    struct Case {
        UINT w, h, maxW, maxH;
        LONG wantW, wantH;
    } cases[] = {
        {400, 300, 100, 100, 100, 75},                                      // wider than tall: width limits
        {300, 400, 100, 100, 75, 100},                                      // taller than wide: height limits
        {400, 300, 100, 0, 400, 300},                                       // a zero limit turns scaling off
        {400, 300, 0, 100, 400, 300},   {50, 40, 100, 100, 50, 40},         // never enlarged
        {100, 100, 100, 100, 100, 100},                                     // exactly the box
        {550, 400, 100, 100, 100, 72},                                      // truncating division
        {101, 1, 100, 100, 100, 0},     {60000, 50000, 65535, 10, 12, 10},  // products beyond 32 bits
    };
    for (const Case& c : cases) {
        SIZE size = MvGpImageConverter::thumbnailSize(c.w, c.h, c.maxW, c.maxH);
        EXPECT_EQ(c.wantW, size.cx) << c.w << "x" << c.h << " in " << c.maxW << "x" << c.maxH;
        EXPECT_EQ(c.wantH, size.cy) << c.w << "x" << c.h << " in " << c.maxW << "x" << c.maxH;
    }
}

TEST(MvGpImageConverter, ExtensionTextIsSplitIntoDottedExtensions) {
    using List = std::vector<std::string>;
    EXPECT_EQ((List{".JPG", ".JPEG", ".JPE", ".JFIF"}),
              MvGpImageConverter::splitExtensions(u"*.JPG;*.JPEG;*.JPE;*.JFIF"));
    EXPECT_EQ((List{".A", "*.B", ".C"}), MvGpImageConverter::splitExtensions(u"*.A;;**.B;*;.C;"));
    EXPECT_EQ(List{}, MvGpImageConverter::splitExtensions(u""));
    EXPECT_EQ(List{}, MvGpImageConverter::splitExtensions(nullptr));
}

TEST(MvGpImageConverter, FirstListedEncoderOfAnExtensionWins) {
    CLSID first{1}, second{2}, third{3};
    Gdiplus::ImageCodecInfo table[3] = {};
    table[0].Clsid = first;
    table[0].FilenameExtension = const_cast<WCHAR*>(L"*.BMP;*.DIB");
    table[1].Clsid = second;
    table[1].FilenameExtension = const_cast<WCHAR*>(L"*.PNG;*.DIB");
    table[2].Clsid = third;
    table[2].FilenameExtension = const_cast<WCHAR*>(L"*.PNG");
    MvGpImageConverter converter(table, 3);
    ASSERT_NE(nullptr, converter.findEncoder("x.dib"));
    EXPECT_EQ(first, *converter.findEncoder("x.dib"));
    EXPECT_EQ(second, *converter.findEncoder(".png"));
}

TEST(MvGpImageConverter, KeysSelectEncodersByTheirEndingIgnoringCase) {
    MvGpImageConverter converter;
    CLSID jpeg = encoderFor(L"image/jpeg"), png = encoderFor(L"image/png");
    struct Case {
        const char* key;
        const CLSID* want;
    } cases[] = {
        {"photo.JPG", &jpeg}, {".jpg", &jpeg},    {"C:\\a.b\\c.Jpeg", &jpeg}, {".png", &png},
        {"jpg", nullptr},     {"bmp", nullptr},   {"photo.jpg.txt", nullptr}, {"", nullptr},
        {"xjpg", nullptr},    {"写真.png", &png},
    };
    for (const Case& c : cases) {
        const CLSID* found = converter.findEncoder(c.key);
        if (c.want == nullptr) {
            EXPECT_EQ(nullptr, found) << c.key;
        } else {
            ASSERT_NE(nullptr, found) << c.key;
            EXPECT_EQ(*c.want, *found) << c.key;
        }
    }
}

TEST(MvGpImageConverter, SavesInTheFormatTheTypeOrElseThePathSelects) {
    ScratchDir dir;
    MvGpImageConverter converter;
    TestImage image = solidBitmap(8, 6, 0xFF20A040);
    struct Case {
        const char* name;
        const char* type;
        bool png;
    } cases[] = {
        {"a.png", nullptr, true},      {"b.JPG", nullptr, false},     {"c.png", ".jpg", false},
        {"d.thumbnail", ".png", true}, {"日本語.png", nullptr, true},
    };
    for (const Case& c : cases) {
        std::string path = dir / c.name;
        ASSERT_EQ("", failureOf([&] { converter.saveImage(path, c.type, image.get()); })) << c.name;
        std::string bytes = readBytes(path);
        EXPECT_EQ(c.png, isPngData(bytes)) << c.name;
        EXPECT_EQ(!c.png, isJpegData(bytes)) << c.name;
        TestImage back = loadImage(path);
        ASSERT_TRUE(back) << c.name;
        EXPECT_EQ(8, imageSize(back.get()).cx);
        EXPECT_EQ(6, imageSize(back.get()).cy);
        if (c.png) {
            EXPECT_EQ(0xFF20A040u, pixelAt(back.get(), 7, 5)) << c.name;  // PNG is lossless
        }
    }
}

TEST(MvGpImageConverter, FailuresCarryTheirTexts) {
    ScratchDir dir;
    MvGpImageConverter converter;
    TestImage image = solidBitmap(4, 4, 0xFFFFFFFF);
    EXPECT_EQ("codec not found", failureOf([&] { converter.saveImage(dir / "a.png", "bmp", image.get()); }));
    EXPECT_EQ("codec not found", failureOf([&] { converter.saveImage(dir / "a.unknown", nullptr, image.get()); }));
    EXPECT_EQ("codec not found", failureOf([&] { converter.saveThumbnail(image.get(), dir / "t", nullptr, 2, 2); }));
    EXPECT_FALSE(fileExists(dir / "a.png"));

    try {
        converter.saveImage(dir / "missing\\a.png", nullptr, image.get());
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const MvGpException& e) {
        EXPECT_NE(-1, e.code());
        EXPECT_EQ("MvGpException error code:" + std::to_string(e.code()), e.what());
    }
    EXPECT_STREQ("Unknown exception", MvGpException().what());
    EXPECT_EQ(-1, MvGpException("x").code());
}

TEST(MvGpImageConverter, ThumbnailsAreScaledAndSaved) {
    ScratchDir dir;
    MvGpImageConverter converter;
    TestImage image = solidBitmap(400, 300, 0xFF0000FF);
    converter.saveThumbnail(image.get(), dir / "small.thumbnail", ".png", 100, 100);
    converter.saveThumbnail(image.get(), dir / "same.png", nullptr, 100, 0);
    converter.saveThumbnail(image.get(), dir / "small.jpg", nullptr, 100, 100);

    TestImage small = loadImage(dir / "small.thumbnail");
    ASSERT_TRUE(small);
    EXPECT_EQ(100, imageSize(small.get()).cx);
    EXPECT_EQ(75, imageSize(small.get()).cy);
    EXPECT_EQ(0xFF0000FFu, pixelAt(small.get(), 50, 37));
    TestImage same = loadImage(dir / "same.png");
    ASSERT_TRUE(same);
    EXPECT_EQ(400, imageSize(same.get()).cx);
    EXPECT_EQ(300, imageSize(same.get()).cy);
    EXPECT_TRUE(isJpegData(readBytes(dir / "small.jpg")));
}

TEST(MvGpImageConverter, GdiBitmapsAreCopiedIntoGdiplusBitmaps) {
    ScratchDir dir;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 10, 7);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    RECT all{0, 0, 10, 7};
    HBRUSH brush = CreateSolidBrush(RGB(200, 30, 60));
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    imaging::GpImagePtr copy = imaging::bitmapFromHbitmap(bitmap);
    DeleteObject(bitmap);
    MvGpImageConverter().saveImage(dir / "copy.png", nullptr, copy.get());
    TestImage back = loadImage(dir / "copy.png");
    ASSERT_TRUE(back);
    EXPECT_EQ(10, imageSize(back.get()).cx);
    EXPECT_EQ(7, imageSize(back.get()).cy);
    EXPECT_EQ(0xFFC81E3Cu, pixelAt(back.get(), 9, 6));
}
