// The media service through Wine's real MCI devices. Without a sound card
// the Wine environment plays into ALSA's null device (scripts/wine-env.sh);
// WaveAudio then runs several times faster than real time.
#include <functional>

#include "services/media/FlashExServiceMedia.h"
#include "../../security/PolicyTestSupport.h"
#include "MediaFiles.h"
#include "MovaraTest.h"
#include "Waiting.h"
#include "ServiceTestSupport.h"

using namespace movara_test;
using namespace service_test;

namespace {

// The position of the device that MCI knows by that alias, in the device's
// time format.
DWORD positionOf(const std::string& alias) {
    MCI_STATUS_PARMS status = {};
    status.dwItem = MCI_STATUS_POSITION;
    mciSendCommandA(mciGetDeviceIDA(alias.c_str()), MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status));
    return status.dwReturn;
}

std::string mciText(MCIERROR error) {
    char text[512] = "";
    mciGetErrorStringA(error, text, sizeof(text));
    return text;
}

class Media : public ::testing::Test {
protected:
    std::string wave(const std::string& name, unsigned milliseconds) {
        writeBytes(dir / name, silentWave(milliseconds));
        return dir / name;
    }
    int open(const std::string& path) { return call(media, "mciOpen", {str(path)})->getInt(); }
    bool playing(int handle) { return call(media, "mciIsPlaying", {num(handle)})->getBool(); }
    void command(const char* name, int handle) { EXPECT_EQ(call(media, name, {num(handle)}), nullptr) << name; }

    ScratchDir dir;
    FlashExServiceMedia media{testPolicy()};
};

}  // namespace

TEST_F(Media, HandlesCountFromOneAndAreNeverReused) {
    std::string a = wave("a.wav", 200), b = wave("b.wav", 200);
    EXPECT_EQ(open(a), 1);
    EXPECT_EQ(open(b), 2);
    command("mciClose", 1);
    EXPECT_EQ(open(a), 3);
    for (const char* name : {"mciPlay", "mciIsPlaying", "mciPause", "mciStop", "mciClose"}) {
        EXPECT_EQ(failure(media, name, {num(1)}), "mci handle invalid") << name;
        EXPECT_EQ(failure(media, name, {num(7)}), "mci handle invalid") << name;
    }
}

TEST_F(Media, FailedOpensGiveTheirTextsAndConsumeNoHandle) {
    writeBytes(dir / "sound.zzz", silentWave(100));
    EXPECT_EQ(failure(media, "mciOpen", {str(dir / "sound.zzz")}), "error mci media type not foumd");
    EXPECT_EQ(failure(media, "mciOpen", {str(dir / "missing.wav")}),
              "error mci open  : " + mciText(MCIERR_FILE_NOT_FOUND));
    writeBytes(dir / "broken.wav", "not a wave file");
    EXPECT_EQ(failure(media, "mciOpen", {str(dir / "broken.wav")}).rfind("error mci open  : ", 0), 0u);
    EXPECT_NE(failure(media, "mciOpen", {str(dir / "nodot")}), "no failure");  // no extension at all
    EXPECT_EQ(open(wave("good.wav", 100)), 1);
}

TEST_F(Media, PlayPauseAndStopOfAWave) {
    std::string path = wave("long.wav", 20000);
    int handle = open(path);
    EXPECT_FALSE(playing(handle));
    command("mciPlay", handle);
    EXPECT_TRUE(playing(handle));
    ASSERT_TRUE(waitUntil([&] { return positionOf(media.deviceAlias(handle)) > 0; }));

    command("mciPause", handle);
    EXPECT_FALSE(playing(handle));
    DWORD paused = positionOf(media.deviceAlias(handle));
    command("mciPlay", handle);  // a paused file plays on from where it was
    EXPECT_TRUE(playing(handle));
    EXPECT_GE(positionOf(media.deviceAlias(handle)), paused);
    ASSERT_TRUE(waitUntil([&] { return positionOf(media.deviceAlias(handle)) > paused; }));

    command("mciStop", handle);
    EXPECT_FALSE(playing(handle));
    EXPECT_EQ(positionOf(media.deviceAlias(handle)), 0u);  // a stopped file starts again from its beginning
    command("mciPlay", handle);
    EXPECT_TRUE(playing(handle));
    command("mciClose", handle);
}

TEST_F(Media, AFilePlayedToItsEndIsNoLongerPlaying) {
    int handle = open(wave("short.wav", 500));
    command("mciPlay", handle);
    EXPECT_TRUE(waitUntil([&] { return !playing(handle); }));
}

TEST_F(Media, DevicesStillOpenCloseWithTheService) {
    std::string path = wave("kept.wav", 200);
    std::string alias;
    {
        FlashExServiceMedia other{testPolicy()};
        call(other, "mciOpen", {str(path)});
        alias = other.deviceAlias(1);
        EXPECT_NE(mciGetDeviceIDA(alias.c_str()), 0u);
    }
    EXPECT_EQ(mciGetDeviceIDA(alias.c_str()), 0u);
}

// A movie plays the same sound twice at once, and the two stop apart.
TEST_F(Media, TheSameFileOpensAgainWhileOpen) {
    std::string path = wave("twice.wav", 20000);
    int first = open(path);
    int second = open(path);
    command("mciPlay", first);
    command("mciPlay", second);
    EXPECT_TRUE(playing(first));
    EXPECT_TRUE(playing(second));
    command("mciStop", first);
    EXPECT_FALSE(playing(first));
    EXPECT_TRUE(playing(second));
}

// MPEGVideo decodes through Wine's GStreamer bridge; scripts/setup.sh
// installs the plugins that it needs for MPEG audio.
TEST_F(Media, AnMpegFilePlaysThroughTheMpegVideoDevice) {
    ASSERT_TRUE(fileExists("Z:\\usr\\lib\\x86_64-linux-gnu\\gstreamer-1.0\\libgstmpg123.so"))
        << "no GStreamer MPEG audio decoder on this machine (scripts/setup.sh installs it)";
    std::string path = dir / "silence.mp2";
    writeBytes(path, silentMpegAudio(3000));
    int handle = open(path);
    command("mciPlay", handle);
    EXPECT_TRUE(playing(handle));
    ASSERT_TRUE(waitUntil([&] { return positionOf(media.deviceAlias(handle)) > 0; }));
    command("mciPause", handle);
    EXPECT_FALSE(playing(handle));
    command("mciStop", handle);
    EXPECT_FALSE(playing(handle));
    EXPECT_EQ(positionOf(media.deviceAlias(handle)), 0u);
    command("mciPlay", handle);
    EXPECT_TRUE(waitUntil([&] { return !playing(handle); }));  // 3 s of sound, then the end
    command("mciClose", handle);
}

// A file the policy does not let the movie read is not opened, nor is a
// share path, whose opening would sign the user in to its server.
TEST(MediaPolicy, OnlyFilesTheMovieMayReadOpen) {
    ScratchDir dir;
    makeDirectory(dir / "Denied");
    writeBytes(dir / "Denied\\s.wav", silentWave(100));
    writeBytes(dir / "ok.wav", silentWave(100));
    auto policy = policyFromSettings("<security><fileAccess><deny access=\"r\" match=\"dir\">" + (dir / "Denied") +
                                     "</deny><allow access=\"r\" match=\"dir\">" + dir.path() +
                                     "</allow></fileAccess></security>");
    FlashExServiceMedia media(*policy);
    for (const std::string& path : {dir / "Denied\\s.wav", std::string("\\\\fileserver\\sounds\\s.wav")})
        EXPECT_EQ(failure(media, "mciOpen", {str(path)}), "file access exception") << path;
    EXPECT_EQ(call(media, "mciOpen", {str(dir / "ok.wav")})->getInt(), 1);
}
