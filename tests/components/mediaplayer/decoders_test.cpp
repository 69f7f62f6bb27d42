// Decoding by time: sounds read in full and after seeks, pictures found by
// time forward and backward.
#include "components/mediaplayer/audio_decoder.h"
#include "components/mediaplayer/video_decoder.h"

#include "tests/support/media_fixture.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace brindle {
namespace {

std::int64_t framesLeft(AudioDecoder& dec, double* peak = nullptr) {
    std::vector<float> buf(4096 * dec.channels());
    std::int64_t total = 0;
    while (int n = dec.read(buf.data(), 4096)) {
        total += n;
        for (int i = 0; peak && i < n * dec.channels(); ++i) {
            *peak = std::max(*peak, static_cast<double>(std::fabs(buf[i])));
        }
    }
    return total;
}

TEST(AudioDecoder, ReadsAndSeeksRealAudio10WithoutTimestamps) {
    test::TempEnv env;
    const QString path = env.file("audios.rm");
    ASSERT_TRUE(test::makeTone(path, "real_144", 3.0));
    AudioDecoder dec;
    ASSERT_TRUE(dec.open(path, 44100, 2));
    EXPECT_EQ(dec.channels(), 2);
    double peak = 0;
    EXPECT_NEAR(framesLeft(dec, &peak), 3 * 44100, 44100 / 20);
    EXPECT_GT(peak, 0.1);
    // Every packet is at time 0, so a seek must count samples instead.
    ASSERT_TRUE(dec.seek(2000));
    EXPECT_NEAR(framesLeft(dec), 44100, 44100 / 20);
    ASSERT_TRUE(dec.seek(0));
    EXPECT_NEAR(framesLeft(dec), 3 * 44100, 44100 / 20);
}

TEST(AudioDecoder, SeeksTimestampedSoundsAndKeepsItsOwnFormatWhenAskedTo) {
    test::TempEnv env;
    const QString path = env.file("tone.rm");
    ASSERT_TRUE(test::makeTone(path, "ac3", 4.0));
    AudioDecoder dec;
    ASSERT_TRUE(dec.open(path));
    EXPECT_EQ(dec.rate(), 44100);
    EXPECT_EQ(dec.channels(), 1);
    ASSERT_TRUE(dec.seek(2500));
    EXPECT_NEAR(framesLeft(dec), 1.5 * 44100, 44100 / 20);
}

TEST(AudioDecoder, RefusesFilesWithoutSound) {
    test::TempEnv env;
    ASSERT_TRUE(test::makeClip(env.file("silent.avi"), "mpeg4", 64, 48, 1.0));
    AudioDecoder dec;
    EXPECT_FALSE(dec.open(env.file("silent.avi")));
    EXPECT_FALSE(dec.open(env.file("missing.rm")));
    EXPECT_FALSE(dec.open(env.write("garbage.rm", QByteArray(".RMF garbage", 12))));
    float buf[16];
    EXPECT_EQ(dec.read(buf, 8), 0);
}

// A clip whose red channel counts its frames: frame n has red = 8 n.
QString countingClip(const test::TempEnv& env, const QString& codec) {
    const QString path = env.file("count-" + codec + ".rm");
    if (!test::runFfmpeg({"-f", "lavfi", "-i",
                          "color=c=black:s=64x48:r=15:d=2,format=yuv444p,"
                          "geq=r='min(255,N*8)':g='128':b='128'",
                          "-c:v", codec, "-b:v", "800k", "-g", "15", path})) {
        return {};
    }
    return path;
}

int redAt(VideoDecoder& dec, std::int64_t ms) {
    const QImage img = dec.frameAt(ms);
    return img.isNull() ? -1 : qRed(img.pixel(32, 24));
}

TEST(VideoDecoder, FindsThePictureOnScreenAtATime) {
    test::TempEnv env;
    for (const QString codec : {"rv20", "rv10"}) {
        SCOPED_TRACE(codec.toStdString());
        const QString path = countingClip(env, codec);
        ASSERT_FALSE(path.isEmpty());
        VideoDecoder dec;
        ASSERT_TRUE(dec.open(path));
        EXPECT_EQ(dec.size(), QSize(64, 48));
        EXPECT_NEAR(dec.framesPerSecond(), 15.0, 0.01);
        EXPECT_NEAR(redAt(dec, 0), 0, 6);
        EXPECT_NEAR(redAt(dec, 500), 7 * 8, 6);     // frame 7 starts at 466 ms
        EXPECT_NEAR(redAt(dec, 1900), 28 * 8, 6);   // forward
        EXPECT_NEAR(redAt(dec, 140), 2 * 8, 6);     // backward: a seek
        EXPECT_NEAR(redAt(dec, 60000), 29 * 8, 6);  // past the end: the last frame
    }
}

TEST(VideoDecoder, RefusesWhatIsNotVideo) {
    test::TempEnv env;
    ASSERT_TRUE(test::makeTone(env.file("a.rm"), "real_144", 0.5));
    VideoDecoder dec;
    EXPECT_FALSE(dec.open(env.file("a.rm")));
    EXPECT_FALSE(dec.open(env.write("trunc.rm", QByteArray(".RMF\0\0\0\x12", 8))));
    EXPECT_TRUE(dec.frameAt(0).isNull());
}

}  // namespace
}  // namespace brindle
