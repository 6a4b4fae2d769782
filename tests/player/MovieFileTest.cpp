#include "MovaraTest.h"
#include "SwfWriter.h"
#include "player/FlashVars.h"
#include "player/MovieFile.h"
#include "player/Stage.h"
#include "tbx/Handles.h"

using namespace movara_test;
using namespace player;

TEST(MovieFile, ReadsSizeRateColourAndScriptOfPlainAndCompressedMovies) {
    SwfOptions options;
    options.width = 640;
    options.height = 480;
    options.frameRate = 30.5;
    options.backgroundColor = 0xABCDEF;
    for (bool compressed : {false, true}) {
        options.compressed = compressed;
        MovieData movie = parseSwf(buildSwf(options, u8"trace('表');"));
        EXPECT_EQ(640, movie.width);
        EXPECT_EQ(480, movie.height);
        EXPECT_DOUBLE_EQ(30.5, movie.frameRate);
        EXPECT_EQ(0xABCDEFu, movie.backgroundColor);
        EXPECT_EQ(std::string(u8"trace('表');"), movie.script);
    }
    options.script = false;
    EXPECT_EQ("", parseSwf(buildSwf(options, "")).script);
}

TEST(MovieFile, RefusesWhatIsNoReadableMovie) {
    std::string good = buildSwf(SwfOptions(), "trace(1);");
    EXPECT_THROW(parseSwf("GIF89a and more"), MovieError);
    EXPECT_THROW(parseSwf(good.substr(0, 9)), MovieError);                // rectangle cut short
    EXPECT_THROW(parseSwf(good.substr(0, good.size() - 8)), MovieError);  // script tag cut short
    SwfOptions compressed;
    compressed.compressed = true;
    std::string packed = buildSwf(compressed, "trace(1);");
    packed[12] ^= 0x55;
    EXPECT_THROW(parseSwf(packed), MovieError);
    EXPECT_THROW(loadMovieFile(u"Z:\\no\\such\\movie.swf"), MovieError);

    // A compressed movie of 4 MiB may declare 4 GiB and stay within the
    // reader's inflation ratio; it is refused before anything is inflated.
    std::string noise(4u << 20, '\0');
    uint32_t state = 1;
    for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    std::string huge = buildSwf(compressed, noise);
    huge.replace(4, 4, "\xF0\xFF\xFF\xFF");
    try {
        parseSwf(huge);
        ADD_FAILURE() << "a movie declaring 4 GiB was read";
    } catch (const MovieError& e) {
        EXPECT_STREQ("the movie is too large: it declares more than 256 MiB", e.what());
    }
}

TEST(MovieFile, OpensWhileAnotherStreamWritesTheFile) {
    ScratchDir dir;
    writeBytes(dir / "held.js", "trace(3);");
    tbx::FileHandle writer(CreateFileA((dir / "held.js").c_str(), GENERIC_READ | GENERIC_WRITE, tbx::kStreamSharing,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    std::string path = dir / "held.js";
    EXPECT_EQ("trace(3);", loadMovieFile(std::u16string(path.begin(), path.end())).script);
}

TEST(MovieFile, ScriptFilesAndLocationsWithUrlPartsAndQueries) {
    ScratchDir dir;
    writeBytes(dir / "Movie.JS", "trace(2);");
    std::u16string location = u"file:///" + std::u16string(dir.path().begin(), dir.path().end()) + u"/Movie.JS?x=1";
    MovieData movie = loadMovieFile(location);
    EXPECT_EQ("trace(2);", movie.script);
    EXPECT_EQ(550, movie.width);
    EXPECT_EQ(400, movie.height);
    EXPECT_EQ(0xFFFFFFu, movie.backgroundColor);
    EXPECT_EQ(u"C:\\a\\b.swf", moviePathOf(u"FILE:///C:/a/b.swf?q=1?r"));
    EXPECT_EQ(u"q=1?r", movieQueryOf(u"FILE:///C:/a/b.swf?q=1?r"));
    EXPECT_EQ(u"", movieQueryOf(u"C:\\a\\b.swf"));
}

TEST(FlashVars, DecodesPairsPercentEscapesAndPlusSigns) {
    auto pairs = decodeFlashVars(u"a=1&&b=x%20y+z&flag&c=%E8%A1%A8&bad=%G1%4");
    std::vector<std::pair<std::string, std::string>> expected = {
        {"a", "1"}, {"b", "x y z"}, {"flag", ""}, {"c", u8"表"}, {"bad", "%G1%4"}};
    EXPECT_EQ(expected, pairs);
    EXPECT_TRUE(decodeFlashVars(u"").empty());
}

TEST(Stage, LayoutFitsTheStageIntoTheWindowByScaleModeAndAlignment) {
    auto check = [](StageLayout layout, double sx, double sy, double ox, double oy) {
        EXPECT_DOUBLE_EQ(sx, layout.scaleX);
        EXPECT_DOUBLE_EQ(sy, layout.scaleY);
        EXPECT_DOUBLE_EQ(ox, layout.offsetX);
        EXPECT_DOUBLE_EQ(oy, layout.offsetY);
    };
    check(layoutStage(100, 50, 400, 100, ScaleMode::ShowAll, ""), 2, 2, 100, 0);
    check(layoutStage(100, 50, 400, 100, ScaleMode::ShowAll, "LT"), 2, 2, 0, 0);
    check(layoutStage(100, 50, 400, 100, ScaleMode::ShowAll, "r"), 2, 2, 200, 0);
    check(layoutStage(100, 50, 400, 100, ScaleMode::NoBorder, ""), 4, 4, 0, -50);
    check(layoutStage(100, 50, 400, 100, ScaleMode::ExactFit, "LT"), 4, 2, 0, 0);
    check(layoutStage(100, 50, 400, 100, ScaleMode::NoScale, "B"), 1, 1, 150, 50);
    check(layoutStage(0, 0, 400, 100, ScaleMode::ShowAll, ""), 1, 1, 0, 0);
}
