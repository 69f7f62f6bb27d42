#include "controls/audiocap/levels.h"
#include "controls/audiocap/recorder.h"
#include "controls/audiocap/sound_save.h"
#include "controls/audiocap/sound_stream.h"
#include "controls/audiocap/waveform.h"
#include "tests/controls/audiocap/wav_bytes.h"
#include "tests/support/media_fixture.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <vector>

namespace brindle::sonteval {
namespace {

using test::makeWav;
using test::WavSpec;

TEST(SontevalBuffers, AreAboutATenthOfASecondInWholeFrames) {
    EXPECT_EQ(bufferSizeFor(wave::Format::pcm(1, 22050, 16)), 4410u);
    EXPECT_EQ(bufferSizeFor(wave::Format::pcm(2, 44100, 16)), 17640u);
    // 11025 Hz stereo 16-bit: 4410 bytes is not a multiple of 4, so it rounds up.
    EXPECT_EQ(bufferSizeFor(wave::Format::pcm(2, 11025, 16)), 4412u);
}

TEST(SontevalTimes, ConvertInSixtyFourBits) {
    // Two minutes at 22050 Hz 16-bit mono, and beyond what 32 bits hold
    // once multiplied by 1000.
    EXPECT_EQ(wave::msToBytes(120000, 44100), 5292000u);
    EXPECT_EQ(wave::bytesToMs(5292000, 44100), 120000u);
    EXPECT_EQ(wave::bytesToMs(1'000'000'000, 176400), 5668934u);
    EXPECT_EQ(wave::msToBytes(5668934, 176400), 999'999'958u);
    // Rounded to the nearest millisecond.
    EXPECT_EQ(wave::bytesToMs(22, 44100), 0u);
    EXPECT_EQ(wave::bytesToMs(23, 44100), 1u);
    EXPECT_EQ(wave::bytesToMs(10, 0), 0u);
}

TEST(SontevalLevels, FollowTheBuffersLoudness) {
    const auto mono16 = wave::Format::pcm(1, 22050, 16);
    const auto stereo16 = wave::Format::pcm(2, 22050, 16);
    const auto mono8 = wave::Format::pcm(1, 22050, 8);

    std::vector<std::uint8_t> silent16(4410, 0);
    EXPECT_EQ(measureLevels(mono16, silent16.data(), silent16.size()).left, 0);
    std::vector<std::uint8_t> silent8(4410, 128);
    EXPECT_EQ(measureLevels(mono8, silent8.data(), silent8.size()).left, 0);

    std::vector<std::uint8_t> square(4410);
    for (std::size_t i = 0; i < square.size(); i += 2) {
        const std::int16_t v = (i / 2) % 50 < 25 ? 32767 : -32768;
        square[i] = static_cast<std::uint8_t>(v & 0xFF);
        square[i + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    }
    const Levels full = measureLevels(mono16, square.data(), square.size());
    EXPECT_EQ(full.left, 100);
    EXPECT_EQ(full.right, 0) << "mono reports nothing on the right";

    // Stereo: both channels measured; a buffer shorter than a frame is silent.
    const Levels both = measureLevels(stereo16, square.data(), square.size());
    EXPECT_EQ(both.left, 100);
    EXPECT_EQ(both.right, 100);
    const Levels three = measureLevels(stereo16, square.data(), 3);
    EXPECT_EQ(three.left, 0);
    EXPECT_EQ(three.right, 0);
    EXPECT_EQ(measureLevels(mono16, square.data(), 1).left, 0);

    // A quiet signal lands in between, and louder is higher.
    std::vector<std::uint8_t> quiet(4410);
    for (std::size_t i = 0; i < quiet.size(); i += 2) {
        const std::int16_t v = (i / 2) % 2 ? 300 : -300;
        quiet[i] = static_cast<std::uint8_t>(v & 0xFF);
        quiet[i + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    }
    const short q = measureLevels(mono16, quiet.data(), quiet.size()).left;
    EXPECT_GT(q, 0);
    EXPECT_LT(q, 100);

    wave::Format compressed = mono16;
    compressed.tag = 0x0402;
    EXPECT_EQ(measureLevels(compressed, square.data(), square.size()).left, 0);
}

TEST(SontevalNames, AviOnlyByTheTextAfterTheLastDot) {
    EXPECT_TRUE(isAviName("take.avi"));
    EXPECT_TRUE(isAviName("take.AVI"));
    EXPECT_TRUE(isAviName("/a.b/take.Avi"));
    EXPECT_FALSE(isAviName("take.wav"));
    EXPECT_FALSE(isAviName("take"));
    EXPECT_FALSE(isAviName("/folder.avi/take"));
    EXPECT_FALSE(isAviName("take.avix"));
}

class SoundFileTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) { return env.write(name, bytes); }
    StreamPtr read(const QString& path, std::string* why = nullptr) {
        return readSoundFile(QFile::encodeName(path).toStdString(), why);
    }
    test::TempEnv env;
};

TEST_F(SoundFileTest, ReadsPcmWavAsItIs) {
    WavSpec spec;
    spec.frames = 2205;
    spec.sample = test::sine(1000, 22050);
    const StreamPtr s = read(write("a.wav", makeWav(spec)));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format(), wave::Format::pcm(1, 22050, 16));
    EXPECT_EQ(s->length(), 2205);
    EXPECT_EQ(s->lengthMs(), 100);

    WavSpec eight;
    eight.bits = 8;
    eight.channels = 2;
    eight.frames = 100;
    const StreamPtr e = read(write("b.wav", makeWav(eight)));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->format(), wave::Format::pcm(2, 22050, 8));
    EXPECT_EQ(e->length(), 100);
}

TEST_F(SoundFileTest, RefusesDamagedAndEmptySounds) {
    WavSpec good;
    good.frames = 2205;
    const QByteArray whole = makeWav(good);

    std::string why;
    EXPECT_FALSE(read(write("truncated.wav", whole.left(whole.size() / 2)), &why)) << "truncated";
    WavSpec lyingData = good;
    lyingData.dataSizeDelta = 100000;
    lyingData.riffSizeDelta = 0;
    EXPECT_FALSE(read(write("lying.wav", makeWav(lyingData)))) << "data larger than the file";
    WavSpec lyingRiff = good;
    lyingRiff.riffSizeDelta = 5000;
    EXPECT_FALSE(read(write("riff.wav", makeWav(lyingRiff)))) << "RIFF larger than the file";
    WavSpec noBlock = good;
    noBlock.blockAlignOverride = 0;
    EXPECT_FALSE(read(write("block0.wav", makeWav(noBlock)))) << "block size 0";
    WavSpec noRate = good;
    noRate.byteRateOverride = 0;
    EXPECT_FALSE(read(write("rate0.wav", makeWav(noRate)))) << "byte rate 0";
    WavSpec empty = good;
    empty.frames = 0;
    EXPECT_FALSE(read(write("empty.wav", makeWav(empty)))) << "0 samples";
    EXPECT_FALSE(read(write("text.wav", QByteArray("this is not a sound at all\n").repeated(50))));
    EXPECT_FALSE(read(env.file("missing.wav")));
}

TEST_F(SoundFileTest, ReadsOtherSoundsThroughTheDecoder) {
    const QString ac3 = env.file("tone.ac3");
    ASSERT_TRUE(test::makeTone(ac3, QStringLiteral("ac3"), 1.0, 1000));
    const StreamPtr s = read(ac3);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format().bitsPerSample, 16);
    EXPECT_EQ(s->format().samplesPerSec, 44100u);
    EXPECT_NEAR(s->lengthMs(), 1000, 50);
}

// Chunk ids and sizes of a RIFF file, in order.
std::vector<std::pair<QByteArray, std::uint32_t>> chunksOf(const QByteArray& file) {
    std::vector<std::pair<QByteArray, std::uint32_t>> out;
    for (int at = 12; at + 8 <= file.size();) {
        const std::uint32_t size = qFromLittleEndian<quint32>(file.constData() + at + 4);
        out.emplace_back(file.mid(at, 4), size);
        at += 8 + static_cast<int>(size + (size & 1));
    }
    return out;
}

TEST_F(SoundFileTest, WritesWavWithFactAndConvertsFormats) {
    WavSpec spec;
    spec.frames = 22050 * 2 + 7;
    spec.sample = test::sine(1000, 22050);
    const StreamPtr s = read(write("in.wav", makeWav(spec)));
    ASSERT_TRUE(s);
    std::vector<int> steps;
    const auto progress = [&](int p) {
        steps.push_back(p);
        return true;
    };

    const std::string same = QFile::encodeName(env.file("same.wav")).toStdString();
    ASSERT_EQ(writeSound(*s, 0, s->length(), s->format(), same, false, progress), SaveResult::Ok);
    EXPECT_EQ(steps, (std::vector<int>{0, 49, 99}));
    const QByteArray bytes = test::fileContents(QString::fromStdString(same));
    const auto chunks = chunksOf(bytes);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].first, "fmt ");
    EXPECT_EQ(chunks[0].second, 16u);
    EXPECT_EQ(chunks[1].first, "fact");
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 44), 22050u * 2 + 7);
    EXPECT_EQ(chunks[2].first, "data");
    EXPECT_EQ(chunks[2].second, (22050u * 2 + 7) * 2);
    EXPECT_EQ(bytes.size() % 2, 0) << "an odd data chunk is padded";
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 4),
              static_cast<quint32>(bytes.size() - 8));
    EXPECT_EQ(test::probe(QString::fromStdString(same), "stream=sample_rate"), "22050");

    // 44100 Hz stereo, as AVI: the sound keeps its length and pitch.
    const std::string avi = QFile::encodeName(env.file("wide.avi")).toStdString();
    ASSERT_EQ(writeSound(*s, 0, s->length(), wave::Format::pcm(2, 44100, 16), avi, true, {}),
              SaveResult::Ok);
    EXPECT_EQ(test::probe(QString::fromStdString(avi), "stream=codec_name"), "pcm_s16le");
    EXPECT_EQ(test::probe(QString::fromStdString(avi), "stream=channels"), "2");
    const StreamPtr back = read(QString::fromStdString(avi));
    ASSERT_TRUE(back);
    EXPECT_NEAR(back->lengthMs(), 2000, 5);
    std::vector<std::int16_t> left;
    for (std::int64_t i = 0; i < back->length(); ++i) {
        left.push_back(
            static_cast<std::int16_t>(back->frameData(i)[0] | (back->frameData(i)[1] << 8)));
    }
    EXPECT_NEAR(test::dominantHz(left.data(), left.size(), 44100, 500, 1500), 1000, 10);
}

TEST_F(SoundFileTest, CancelledOrEmptySavesLeaveNoFile) {
    WavSpec spec;
    spec.frames = 22050 * 3;
    const StreamPtr s = read(write("in.wav", makeWav(spec)));
    ASSERT_TRUE(s);
    const std::string out = QFile::encodeName(env.file("out.wav")).toStdString();
    int calls = 0;
    EXPECT_EQ(
        writeSound(*s, 0, s->length(), s->format(), out, false, [&](int) { return ++calls < 2; }),
        SaveResult::Cancelled);
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));

    std::vector<int> steps;
    EXPECT_EQ(writeSound(*s, 100, 100, s->format(), out, false,
                         [&](int p) {
                             steps.push_back(p);
                             return true;
                         }),
              SaveResult::Ok);
    EXPECT_EQ(steps, std::vector<int>{100}) << "an empty range reports 100%";
}

// ---- the waveform ----

QColor at(const QImage& img, int x, int y) {
    return img.pixelColor(x, y);
}

class WaveformTest : public ::testing::Test {
protected:
    QImage paint(const SoundStream& s, std::int64_t startMs, int mode, int w = 400, int h = 100) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        drawStream(p, img.rect(), s, startMs, kWindowMs, mode, colors, cache);
        return img;
    }
    StreamPtr stream(int channels, std::int64_t frames, int value, int rightValue = 0) {
        auto s = std::make_shared<SoundStream>(wave::Format::pcm(channels, 22050, 16));
        for (std::int64_t i = 0; i < frames * channels; ++i) {
            const auto v = static_cast<std::int16_t>(channels == 2 && i % 2 ? rightValue : value);
            const std::uint8_t b[2] = {static_cast<std::uint8_t>(v & 0xFF),
                                       static_cast<std::uint8_t>((v >> 8) & 0xFF)};
            s->append(b, 2);
        }
        return s;
    }
    WaveColors colors{QColor(0, 0, 200), QColor(128, 128, 128), QColor(255, 255, 255),
                      QColor(255, 0, 0), QColor(0, 255, 0),     QColor(220, 220, 0)};
    ColumnCache cache;
};

TEST_F(WaveformTest, CentredWindowAtTheStartShowsNoSoundOnTheLeft) {
    const StreamPtr s = stream(1, 22050 * 10, 8000);
    const QImage img = paint(*s, -2000, 2);
    EXPECT_EQ(at(img, 0, 10), colors.noStream);
    EXPECT_EQ(at(img, 199, 10), colors.noStream);
    EXPECT_EQ(at(img, 200, 10), colors.background);
    // Positive samples draw upward from the centre line.
    EXPECT_EQ(at(img, 300, 40), colors.mono);
    EXPECT_EQ(at(img, 300, 60), colors.background);
    EXPECT_EQ(at(img, 100, 50), colors.noStream);
}

TEST_F(WaveformTest, RecordingWindowEndsAtThePosition) {
    // One second recorded, drawn over [-3000, 1000): the last quarter only.
    const StreamPtr s = stream(1, 22050, -8000);
    const QImage img = paint(*s, 1000 - kWindowMs, 1);
    EXPECT_EQ(at(img, 299, 50), colors.noStream);
    EXPECT_EQ(at(img, 300, 5), colors.background);
    EXPECT_EQ(at(img, 350, 60), colors.mono) << "negative samples draw downward";
}

TEST_F(WaveformTest, VernierOnlyInModeZero) {
    const StreamPtr s = stream(1, 22050 * 10, 0);
    EXPECT_EQ(at(paint(*s, 3000, 0), 200, 5), colors.vernier);
    EXPECT_NE(at(paint(*s, 3000, 2), 200, 5), colors.vernier);
}

TEST_F(WaveformTest, FullScaleStereoReachesFourTimesTheHalfBand) {
    // Left full scale up, right full scale down, in a 200-pixel-high control:
    // bands of half height 50 at 50 and 150, bars of 50 * 32767 / 8192 = 199.
    const StreamPtr s = stream(2, 22050 * 10, 32767, -32768);
    const QImage img = paint(*s, 0, 1, 400, 200);
    EXPECT_EQ(at(img, 100, 0), colors.left);
    EXPECT_EQ(at(img, 100, 49), colors.left);
    EXPECT_EQ(at(img, 100, 51), colors.background);
    EXPECT_EQ(at(img, 100, 150), colors.right);
    EXPECT_EQ(at(img, 100, 199), colors.right);
    EXPECT_EQ(at(img, 100, 149), colors.background) << "downward bars start at the baseline";
    EXPECT_EQ(at(img, 100, 120), colors.background);
}

TEST_F(WaveformTest, CacheFollowsTheStreamAndZeroWidthDrawsNothing) {
    const StreamPtr loud = stream(1, 22050 * 10, 30000);
    const StreamPtr quiet = stream(1, 22050 * 10, 0);
    EXPECT_EQ(at(paint(*loud, 0, 1), 100, 5), colors.mono);
    EXPECT_EQ(at(paint(*quiet, 0, 1), 100, 5), colors.background)
        << "a new stream at the same place is read again";
    QImage none = paint(*loud, 0, 1, 0, 100);
    EXPECT_TRUE(none.isNull());
    QImage thin(1, 1, QImage::Format_RGB32);
    QPainter p(&thin);
    EXPECT_TRUE(drawStream(p, QRect(0, 0, 0, 50), *loud, 0, kWindowMs, 1, colors, cache));
}

TEST_F(WaveformTest, CompressedStreamPaintsNothing) {
    wave::Format f = wave::Format::pcm(1, 22050, 16);
    f.tag = 0x0402;
    SoundStream s(f);
    const std::uint8_t b[2] = {0, 0};
    s.append(b, 2);
    QImage img(50, 50, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    EXPECT_FALSE(drawStream(p, img.rect(), s, 0, kWindowMs, 1, colors, cache));
    p.end();
    EXPECT_EQ(at(img, 10, 10), QColor(Qt::black));
}

}  // namespace
}  // namespace brindle::sonteval
