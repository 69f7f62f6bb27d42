#include "components/mediaplayer/media_length.h"

#include "tests/support/media_fixture.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

using test::makeClip;
using test::makeTone;

TEST(MediaLength, CountsSamplesOfRealAudio10WhosePacketsAreAllAtZero) {
    test::TempEnv env;
    const QString path = env.file("audios.rm");
    ASSERT_TRUE(makeTone(path, "real_144", 3.0));
    // The container itself claims nothing.
    EXPECT_EQ(test::probe(path, "format=duration").toDouble(), 0.0);
    EXPECT_NEAR(mediaLengthMs(path), 3000, 30);
}

TEST(MediaLength, ReadsTimestampedSoundsAndClips) {
    test::TempEnv env;
    ASSERT_TRUE(makeTone(env.file("ac3.rm"), "ac3", 2.5));
    EXPECT_NEAR(mediaLengthMs(env.file("ac3.rm")), 2500, 50);
    ASSERT_TRUE(makeTone(env.file("tone.wav"), "pcm_s16le", 1.25));
    EXPECT_NEAR(mediaLengthMs(env.file("tone.wav")), 1250, 5);
    ASSERT_TRUE(makeClip(env.file("clip.avi"), "mpeg4", 160, 120, 2.0));
    EXPECT_NEAR(mediaLengthMs(env.file("clip.avi")), 2000, 70);
}

TEST(MediaLength, TakesTheLongestStream) {
    test::TempEnv env;
    // 2 s of rv20 video with 3 s of RealAudio 1.0 sound: the sound decides.
    const QString path = env.file("video1.rm");
    ASSERT_TRUE(
        test::runFfmpeg({"-f", "lavfi", "-i", "testsrc2=s=176x132:r=15:d=2", "-f", "lavfi", "-i",
                         "sine=r=8000:d=3", "-ac", "1", "-c:a", "real_144", "-c:v", "rv20", path}));
    EXPECT_NEAR(mediaLengthMs(path), 3000, 70);
}

TEST(MediaLength, IsZeroForWhatCannotBeOpened) {
    test::TempEnv env;
    EXPECT_EQ(mediaLengthMs(env.file("missing.avi")), 0);
    EXPECT_EQ(mediaLengthMs(env.write("junk.avi", QByteArray(4096, 'x'))), 0);
    EXPECT_EQ(mediaLengthMs(env.write("empty.rm", {})), 0);
    EXPECT_EQ(mediaLengthMs(""), 0);
}

}  // namespace
}  // namespace brindle
