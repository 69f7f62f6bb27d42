// The media encoder, driven through the control host as the program drives
// it, its output read back with FFmpeg.
#include "components/encoders/encoder_ids.h"
#include "tests/components/encoders/encoder_support.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace brindle::test {
namespace {

namespace t = encoders::tolvern;

class TolvernTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        clip = makeClip(dir->filePath("video1.avi"), 2.0);
        longClip = makeClip(dir->filePath("video2.avi"), 20.0, 320, 240, 25);
        text = dir->filePath("video3.avi");
        QFile f(text);
        f.open(QIODevice::WriteOnly);
        f.write("RIFF....AVI LIST but nothing else");
        soundOnly = dir->filePath("video4.avi");
        runFfmpeg({"-f", "lavfi", "-i", "sine=d=0.5", "-c:a", "pcm_s16le", soundOnly});
    }
    static void TearDownTestSuite() { delete dir; }

    void SetUp() override { ASSERT_TRUE(tolvern.loaded()); }

    // The properties in the program's order.
    static void setUp(EncoderUnderTest& e, const QString& input, const QString& output,
                      int mode = encoders::MediaModeVideoOnly) {
        auto& h = e.host();
        ASSERT_TRUE(h.put(t::InputFile, input).ok());
        ASSERT_TRUE(h.put(t::OutputFile, output).ok());
        ASSERT_TRUE(h.put(t::Mode, mode).ok());
        ASSERT_TRUE(h.put(t::BinFolder, "/opt/brindle/Bin").ok());
        ASSERT_TRUE(h.put(t::TargetAudience, 3).ok());
        ASSERT_TRUE(h.put(t::VideoCodec, 2).ok());
        ASSERT_TRUE(h.put(t::VideoQuality, 0).ok());
    }

    static QTemporaryDir* dir;
    static QString clip, longClip, text, soundOnly;
    QTemporaryDir work;
    EncoderUnderTest tolvern{"tolvern"};
};

QTemporaryDir* TolvernTest::dir = nullptr;
QString TolvernTest::clip, TolvernTest::longClip, TolvernTest::text, TolvernTest::soundOnly;

TEST_F(TolvernTest, ClipBecomesRealVideoInTheVideoRegion) {
    const QString out = work.filePath("video1.rm");
    setUp(tolvern, clip, out);
    ASSERT_TRUE(tolvern.host().call(t::Start).ok());
    ASSERT_TRUE(tolvern.waitComplete());
    EXPECT_TRUE(tolvern.errorCodes().empty());
    EXPECT_EQ(tolvern.events().back().id, encoders::EncodeComplete);
    const VideoRead v = readVideo(out);
    EXPECT_EQ(v.codec, "rv20");
    EXPECT_EQ(v.width, 176);
    EXPECT_EQ(v.height, 132);
    // Mode 2 leaves the clip's sound out: it is in the mixed track.
    EXPECT_EQ(v.streams, 1);
    EXPECT_FALSE(v.hasSound);
    EXPECT_NEAR(v.frames, 30, 1);
    EXPECT_EQ(v.decodeErrors, 0);
    EXPECT_EQ(v.packets, v.frames);
    EXPECT_LT(v.largestPacket, 65536);
    EXPECT_EQ(tolvern.progress().back(), 100);

    // RealVideo 1.0 takes sides in multiples of 16.
    tolvern.clearEvents();
    const QString old = work.filePath("video1-rv10.rm");
    setUp(tolvern, clip, old);
    tolvern.host().put(t::VideoCodec, 1);
    tolvern.host().call(t::Start);
    ASSERT_TRUE(tolvern.waitComplete());
    EXPECT_TRUE(tolvern.errorCodes().empty());
    const VideoRead v10 = readVideo(old);
    EXPECT_EQ(v10.codec, "rv10");
    EXPECT_EQ(v10.width, 176);
    EXPECT_EQ(v10.height, 128);
    EXPECT_NEAR(v10.frames, 30, 1);
}

TEST_F(TolvernTest, ModeZeroKeepsTheSound) {
    const QString out = work.filePath("both.rm");
    setUp(tolvern, clip, out, encoders::MediaModeVideoAndSound);
    tolvern.host().call(t::Start);
    ASSERT_TRUE(tolvern.waitComplete());
    EXPECT_TRUE(tolvern.errorCodes().empty());
    const VideoRead v = readVideo(out);
    EXPECT_EQ(v.streams, 2);
    EXPECT_NEAR(v.frames, 30, 1);
    const SoundRead s = readSound(out);
    EXPECT_EQ(s.codec, "ac3");
    EXPECT_NEAR(s.seconds(), 2.0, 0.1);
    EXPECT_NEAR(toneAmplitude(s, 440, 0.5, 1.5), 0.4, 0.05);
}

TEST_F(TolvernTest, UnreadableInputReportsAnErrorThenCompletes) {
    const QString out = work.filePath("video3.rm");
    for (const QString& input : {text, soundOnly, work.filePath("missing.avi")}) {
        tolvern.clearEvents();
        setUp(tolvern, input, out);
        ASSERT_TRUE(tolvern.host().call(t::Start).ok());
        ASSERT_TRUE(tolvern.waitComplete());
        EXPECT_EQ(tolvern.errorCodes(), std::vector<int>{encoders::ErrorInput});
        ASSERT_EQ(tolvern.events().size(), 2u);
        EXPECT_EQ(tolvern.events().back().id, encoders::EncodeComplete);
        EXPECT_FALSE(QFile::exists(out));
    }
    // An output that cannot be written.
    tolvern.clearEvents();
    setUp(tolvern, clip, work.filePath("no-such-folder/video1.rm"));
    tolvern.host().call(t::Start);
    ASSERT_TRUE(tolvern.waitComplete());
    EXPECT_EQ(tolvern.errorCodes(), std::vector<int>{encoders::ErrorOutput});
}

TEST_F(TolvernTest, AbortDuringTheEncodeRemovesTheOutput) {
    const QString out = work.filePath("video2.rm");
    setUp(tolvern, longClip, out);
    ASSERT_TRUE(tolvern.host().call(t::Start).ok());
    // One encode at a time.
    EXPECT_FALSE(tolvern.host().call(t::Start).ok());
    // Wait until it is under way, then abort.
    ASSERT_TRUE(tolvern.waitEvent(encoders::EncodeProgress));
    tolvern.host().call(t::Abort);
    ASSERT_TRUE(tolvern.waitComplete());
    EXPECT_TRUE(tolvern.errorCodes().empty());
    EXPECT_LT(tolvern.progress().back(), 100);
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(TolvernTest, TwoEncodesRunAtOnce) {
    EncoderUnderTest second("tolvern");
    ASSERT_TRUE(second.loaded());
    const QString a = work.filePath("a.rm"), b = work.filePath("b.rm");
    setUp(tolvern, clip, a);
    setUp(second, longClip, b);
    ASSERT_TRUE(tolvern.host().call(t::Start).ok());
    ASSERT_TRUE(second.host().call(t::Start).ok());
    ASSERT_TRUE(tolvern.waitComplete());
    ASSERT_TRUE(second.waitComplete());
    EXPECT_TRUE(tolvern.errorCodes().empty());
    EXPECT_TRUE(second.errorCodes().empty());
    EXPECT_NEAR(readVideo(a).frames, 30, 1);
    const VideoRead v = readVideo(b);
    EXPECT_NEAR(v.frames, 500, 1);
    EXPECT_EQ(v.decodeErrors, 0);
    EXPECT_EQ(v.width, 176);
}

TEST_F(TolvernTest, DestroyedWhileEncoding) {
    // The window goes away mid-encode: the control stops its worker and no
    // event reaches the gone host.
    const QString out = work.filePath("gone.rm");
    {
        EncoderUnderTest doomed("tolvern");
        setUp(doomed, longClip, out);
        doomed.host().call(t::Start);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFile::exists(out));
}

}  // namespace
}  // namespace brindle::test
