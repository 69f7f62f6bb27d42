// The audio encoder, driven through the control host as the program drives
// it, its output read back with FFmpeg.
#include "components/encoders/encoder_ids.h"
#include "tests/components/encoders/encoder_support.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace brindle::test {
namespace {

namespace q = encoders::quillon;
using encoders::ErrorInput;

class QuillonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        caption = makeTone(dir->filePath("caption.wav"), 1000, 1.0);
        background = makeTone(dir->filePath("background.wav"), 300, 4.0, 0.5, 44100, 2);
        clip = makeClip(dir->filePath("clip.avi"), 1.0, 160, 120, 15, 600);
        silentClip = makeClip(dir->filePath("silent.avi"), 0.5, 160, 120, 15, 0);
        text = dir->filePath("notes.wav");
        QFile f(text);
        f.open(QIODevice::WriteOnly);
        f.write("RIFF but not really a wave file");
    }
    static void TearDownTestSuite() { delete dir; }

    void SetUp() override {
        out = work.filePath("audios.rm");
        ASSERT_TRUE(quillon.loaded());
    }

    // The properties in the program's order, then a new mix.
    void setUp(int durationMs, int audience = 3, int mode = encoders::AudioModeByAudience) {
        auto& h = quillon.host();
        ASSERT_TRUE(h.put(q::BinFolder, "/opt/brindle/Bin").ok());
        ASSERT_TRUE(h.put(q::OutputFile, out).ok());
        ASSERT_TRUE(h.put(q::SampleRate, 22050).ok());
        ASSERT_TRUE(h.put(q::BitsPerSample, 16).ok());
        ASSERT_TRUE(h.put(q::Channels, 1).ok());
        ASSERT_TRUE(h.put(q::DurationMs, durationMs).ok());
        ASSERT_TRUE(h.put(q::TargetAudience, audience).ok());
        ASSERT_TRUE(h.put(q::Mode, mode).ok());
        ASSERT_TRUE(h.call(q::NewMix).ok());
    }
    int add(const QString& file, int startMs, double level) {
        return quillon.host().call(q::AddSource, {file, startMs, level, 0}).value.toInt();
    }
    bool startRefused() { return quillon.host().call(q::Start).value.toBool(); }

    void encode() {
        ASSERT_FALSE(startRefused());
        ASSERT_TRUE(quillon.waitComplete());
        EXPECT_TRUE(quillon.errorCodes().empty());
        EXPECT_EQ(quillon.completions(), 1);
    }

    static QTemporaryDir* dir;
    static QString caption, background, clip, silentClip, text;
    QTemporaryDir work;
    QString out;
    EncoderUnderTest quillon{"quillon"};
};

QTemporaryDir* QuillonTest::dir = nullptr;
QString QuillonTest::caption, QuillonTest::background, QuillonTest::clip, QuillonTest::silentClip,
    QuillonTest::text;

// Both codecs: RealAudio 1.0 for slow links (its packets carry no
// timestamps, so its length is counted in samples) and AC-3 for the rest.
TEST_F(QuillonTest, TrackLastsTheTotalAndCaptionSoundsFromItsStart) {
    for (int audience : {0, 3}) {
        SCOPED_TRACE(audience);
        quillon.clearEvents();
        setUp(6000, audience);
        ASSERT_EQ(add(caption, 4000, 1.0), 0);
        encode();
        const SoundRead s = readSound(out);
        EXPECT_EQ(s.codec, audience == 0 ? "real_144" : "ac3");
        EXPECT_EQ(s.rate, audience == 0 ? 8000 : 32000);
        EXPECT_NEAR(s.seconds(), 6.0, 0.1);
        if (audience != 0) {
            EXPECT_NEAR(s.containerSeconds, 6.0, 0.1);
        }
        EXPECT_LT(rms(s, 0.0, 3.9), 0.003);
        EXPECT_GT(rms(s, 4.1, 4.9), 0.2);
        EXPECT_LT(rms(s, 5.1, 6.0), 0.003);
        const std::vector<int> p = quillon.progress();
        ASSERT_FALSE(p.empty());
        EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
        EXPECT_EQ(p.back(), 100);
        // The last event is the completion.
        EXPECT_EQ(quillon.events().back().id, encoders::EncodeComplete);
    }
}

TEST_F(QuillonTest, LevelsFollowTheBalanceAgainstTheBackground) {
    // The background alone at full level: folded from stereo to mono, it
    // keeps its level.
    setUp(4000);
    ASSERT_EQ(add(background, 0, 1.0), 0);
    encode();
    const double full = toneAmplitude(readSound(out), 300, 1.2, 1.8);
    EXPECT_NEAR(full, 0.5, 0.03);

    // The slide sound at 0.75, the background under it at 0.25, as the
    // program feeds them with the default balance.
    quillon.clearEvents();
    setUp(4000);
    ASSERT_EQ(add(caption, 1000, 0.75), 0);
    ASSERT_EQ(add(background, 0, 0.25), 0);
    encode();
    const SoundRead s = readSound(out);
    EXPECT_NEAR(toneAmplitude(s, 1000, 1.2, 1.8), 0.5 * 0.75, 0.03);
    EXPECT_NEAR(toneAmplitude(s, 300, 1.2, 1.8), full * 0.25, 0.02);
    EXPECT_NEAR(toneAmplitude(s, 300, 2.2, 3.8), full * 0.25, 0.02);
    EXPECT_LT(toneAmplitude(s, 1000, 2.2, 3.8), 0.01);
}

TEST_F(QuillonTest, VideoSoundIsMixedAndMissingSoundRefused) {
    setUp(2000);
    EXPECT_EQ(add(clip, 500, 1.0), 0);
    EXPECT_EQ(add(silentClip, 0, 1.0), encoders::RefusedNoAudio);
    EXPECT_EQ(add(text, 0, 1.0), encoders::RefusedUnreadable);
    EXPECT_EQ(add(work.filePath("missing.wav"), 0, 1.0), encoders::RefusedUnreadable);
    EXPECT_EQ(add(caption, -1, 1.0), encoders::RefusedArguments);
    EXPECT_EQ(add(caption, 0, -0.5), encoders::RefusedArguments);
    encode();
    const SoundRead s = readSound(out);
    EXPECT_LT(rms(s, 0.0, 0.45), 0.003);
    EXPECT_NEAR(toneAmplitude(s, 600, 0.6, 1.4), 0.4, 0.05);
}

TEST_F(QuillonTest, RealAudioSourceIsPlacedBySamples) {
    // A RealAudio 1.0 file (its packets all stamped 0), as a background track
    // of that type is, mixed into a later track at 1 s.
    setUp(2000, 0);
    ASSERT_EQ(add(caption, 0, 1.0), 0);
    encode();
    QTemporaryDir other;
    const QString realAudio = other.filePath("back1.rm");
    ASSERT_TRUE(QFile::rename(out, realAudio));
    quillon.clearEvents();
    setUp(3000);
    ASSERT_EQ(add(realAudio, 1000, 1.0), 0);
    encode();
    const SoundRead s = readSound(out);
    EXPECT_LT(rms(s, 0.0, 0.9), 0.003);
    EXPECT_GT(rms(s, 1.1, 1.9), 0.1);
    EXPECT_LT(rms(s, 2.1, 3.0), 0.01);
}

TEST_F(QuillonTest, StartIsRefusedWhenNothingCanBeEncoded) {
    setUp(2000);
    EXPECT_TRUE(startRefused());  // no sources
    ASSERT_EQ(add(caption, 0, 1.0), 0);
    quillon.host().put(q::OutputFile, work.filePath("no-such-folder/audios.rm"));
    EXPECT_TRUE(startRefused());
    quillon.host().put(q::OutputFile, out);
    quillon.host().put(q::DurationMs, 0);
    EXPECT_TRUE(startRefused());
    quillon.host().put(q::DurationMs, 2000);
    quillon.host().put(q::BitsPerSample, 12);
    EXPECT_TRUE(startRefused());
    quillon.host().put(q::BitsPerSample, 16);
    // A new mix forgets the sources.
    quillon.host().call(q::NewMix);
    EXPECT_TRUE(startRefused());
    EXPECT_TRUE(quillon.events().empty());  // a refused start fires nothing
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(QuillonTest, EightBitStereoMix) {
    setUp(1500);
    quillon.host().put(q::BitsPerSample, 8);
    quillon.host().put(q::Channels, 2);
    ASSERT_EQ(add(caption, 0, 1.0), 0);
    encode();
    const SoundRead s = readSound(out);
    EXPECT_EQ(s.codec, "ac3");
    EXPECT_NEAR(toneAmplitude(s, 1000, 0.1, 0.9), 0.5, 0.05);
    EXPECT_NEAR(s.seconds(), 1.5, 0.1);
}

TEST_F(QuillonTest, AbortEndsWithCompleteAndRemovesTheOutput) {
    // Half an hour of RealAudio 1.0 takes far longer than the abort.
    setUp(30 * 60 * 1000, 3, encoders::AudioModeVoice);
    ASSERT_EQ(add(background, 0, 1.0), 0);
    ASSERT_FALSE(startRefused());
    EXPECT_TRUE(startRefused());  // one encode at a time
    EXPECT_EQ(add(caption, 0, 1.0), encoders::RefusedBusy);
    // Under way, with part of the file written, then aborted.
    ASSERT_TRUE(quillon.waitEvent(encoders::EncodeProgress));
    EXPECT_TRUE(QFile::exists(out));
    quillon.host().call(q::Abort);
    ASSERT_TRUE(quillon.waitComplete());
    EXPECT_TRUE(quillon.errorCodes().empty());
    EXPECT_EQ(quillon.completions(), 1);
    EXPECT_FALSE(QFile::exists(out));
    const std::vector<int> p = quillon.progress();
    EXPECT_TRUE(p.empty() || p.back() < 100);
    // An abort with nothing running does nothing.
    quillon.clearEvents();
    quillon.host().call(q::Abort);
    QCoreApplication::processEvents();
    EXPECT_TRUE(quillon.events().empty());
}

TEST_F(QuillonTest, EachSourceLostBeforeTheEncodeIsReported) {
    // Accepted, then gone when the encode reads them: one error each, and
    // the mix is still finished with what is left.
    QTemporaryDir lost;
    const QString a = makeTone(lost.filePath("a.wav"), 500, 0.5);
    const QString b = makeTone(lost.filePath("b.wav"), 700, 0.5);
    setUp(2000);
    ASSERT_EQ(add(a, 0, 1.0), 0);
    ASSERT_EQ(add(b, 500, 1.0), 0);
    ASSERT_EQ(add(caption, 1000, 1.0), 0);
    ASSERT_TRUE(QFile::remove(a));
    ASSERT_TRUE(QFile::remove(b));
    ASSERT_FALSE(startRefused());
    ASSERT_TRUE(quillon.waitComplete());
    EXPECT_EQ(quillon.errorCodes(), (std::vector<int>{ErrorInput, ErrorInput}));
    const auto& events = quillon.events();
    EXPECT_EQ(events.back().id, encoders::EncodeComplete);
    EXPECT_TRUE(events.front().args.value(1).toString().contains("a.wav"));
    const SoundRead s = readSound(out);
    EXPECT_GT(rms(s, 1.1, 1.9), 0.2);
}

TEST_F(QuillonTest, PropertiesReadBack) {
    auto& h = quillon.host();
    h.put(q::OutputFile, out);
    h.put(q::DurationMs, 12345);
    h.put(q::SampleRate, "22050");  // converted as dispatch does
    EXPECT_EQ(h.get(q::OutputFile).value.toString(), out);
    EXPECT_EQ(h.get(q::DurationMs).value.toInt(), 12345);
    EXPECT_EQ(h.get(q::SampleRate).value.toInt(), 22050);
    EXPECT_FALSE(h.put(q::SampleRate, "fast").ok());
    EXPECT_FALSE(h.call(q::AddSource, {caption}).value.toInt() == 0);
    EXPECT_EQ(h.get(5).code, dispatch::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(h.name(), "Quillon");
}

}  // namespace
}  // namespace brindle::test
