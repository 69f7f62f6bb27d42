#include "platform/vfw/avi_writer.h"
#include "platform/vfw/compressors.h"
#include "tests/support/avi_fixtures.h"
#include "tests/support/media_fixture.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace brindle::vfw {
namespace {

BitmapInfoHeader rgb(int w, int h) {
    BitmapInfoHeader in;
    in.biWidth = w;
    in.biHeight = h;
    in.biBitCount = 24;
    in.biSizeImage = static_cast<std::uint32_t>(frameBytes(in));
    return in;
}

WaveFormat mono8(std::uint32_t rate) {
    WaveFormat f;
    f.samplesPerSec = rate;
    f.recompute();
    return f;
}

// A bottom-up bitmap whose top half is white and bottom half black.
std::vector<std::uint8_t> halves(const BitmapInfoHeader& h) {
    std::vector<std::uint8_t> bits(frameBytes(h), 0);
    const std::size_t row = dib::rowBytes(h.biWidth, 24);
    for (int y = h.biHeight / 2; y < h.biHeight; ++y) {  // stored rows run bottom-up
        std::fill_n(bits.begin() + static_cast<std::ptrdiff_t>(row * y), row, 255);
    }
    return bits;
}

TEST(AviWriter, Mpeg4AndPcmUnderTheCodecsRealTag) {
    QTemporaryDir dir;
    const QString path = dir.filePath("cap.avi");
    const BitmapInfoHeader in = rgb(160, 120);
    auto codec = Compressor::open(fourccOf("zq5a"));
    ASSERT_TRUE(codec);
    BitmapInfoHeader out;
    ASSERT_EQ(codec->getFormat(in, &out), kIcOk);
    ASSERT_EQ(codec->begin(in, out), kIcOk);
    AviVideoStream video{"mpeg4", codec->info().aviTag, in, 66666};
    const WaveFormat audio = mono8(11205);
    std::string why;
    auto w = AviWriter::create(path.toStdString(), video, &audio, &why);
    ASSERT_TRUE(w) << why;
    std::vector<std::uint8_t> dest(codec->maxCompressedSize(in));
    for (int f = 0; f < 30; ++f) {
        std::size_t n = 0;
        bool key = false;
        std::vector<std::uint8_t> frame(frameBytes(in), static_cast<std::uint8_t>(f * 8));
        ASSERT_EQ(codec->compress(frame, f % 15 == 0, 8500, f, dest, &n, &key), kIcOk);
        ASSERT_TRUE(w->writeVideo(std::span(dest.data(), n), key));
    }
    std::vector<std::uint8_t> sound(1120, 128);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(w->writeAudio(sound));
    }
    EXPECT_TRUE(w->finish());
    EXPECT_EQ(w->videoFrames(), 30);
    EXPECT_EQ(w->audioBytes(), 22400);

    const test::ClipInfo clip = test::readClip(path);
    ASSERT_TRUE(clip.ok);
    EXPECT_EQ(clip.codec, "mpeg4");
    EXPECT_EQ(clip.frames(), 30);
    EXPECT_EQ(clip.decodedFrames, 30);
    EXPECT_TRUE(clip.keys[0] && clip.keys[15] && !clip.keys[1]);
    EXPECT_EQ(clip.sampleRate, 11205);
    EXPECT_EQ(clip.audioSamples, 22400);
    EXPECT_EQ(test::probe(path, "stream=codec_tag_string").split('\n').first().trimmed(), "FMP4");
    // 30 frames of 66666 us: the file says two seconds.
    EXPECT_NEAR(test::probe(path, "format=duration").toDouble(), 2.0, 0.01);
}

TEST(AviWriter, RawFramesKeepTheirOrientation) {
    QTemporaryDir dir;
    const QString path = dir.filePath("raw.avi");
    const BitmapInfoHeader in = rgb(64, 48);
    AviVideoStream video{"rawvideo", 0, in, 100000};
    auto w = AviWriter::create(path.toStdString(), video, nullptr, nullptr);
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->writeVideo(halves(in), true));
    ASSERT_TRUE(w->finish());
    int width = 0;
    int height = 0;
    const std::vector<std::uint8_t> bgr = test::decodeFrameBgr(path, 0, &width, &height);
    ASSERT_EQ(bgr.size(), 64u * 48 * 3);
    EXPECT_EQ(bgr[0], 255);             // top row: white
    EXPECT_EQ(bgr[bgr.size() - 1], 0);  // bottom row: black
}

TEST(AviWriter, RefusesBrokenSoundBuffersAndFormats) {
    QTemporaryDir dir;
    const BitmapInfoHeader in = rgb(64, 48);
    WaveFormat stereo16;
    stereo16.channels = 2;
    stereo16.bitsPerSample = 16;
    stereo16.recompute();
    auto w = AviWriter::create(dir.filePath("a.avi").toStdString(),
                               AviVideoStream{"rawvideo", 0, in, 100000}, &stereo16, nullptr);
    ASSERT_TRUE(w);
    std::vector<std::uint8_t> partial(6, 0);  // one and a half samples
    EXPECT_FALSE(w->writeAudio(partial));
    EXPECT_FALSE(w->failed());
    WaveFormat none = stereo16;
    none.channels = 0;
    none.recompute();
    EXPECT_FALSE(AviWriter::create(dir.filePath("b.avi").toStdString(),
                                   AviVideoStream{"rawvideo", 0, in, 100000}, &none, nullptr));
    EXPECT_FALSE(AviWriter::create(dir.filePath("c.avi").toStdString(),
                                   AviVideoStream{"rawvideo", 0, in, 0}, nullptr, nullptr));
}

// Runs inside a 1 MB file system (see the next test): writes raw frames
// until the disk is full.
TEST(AviWriter, FillsASmallDisk) {
    const QByteArray smallDisk = qgetenv("BRINDLE_SMALL_DISK");
    if (smallDisk.isEmpty()) {
        GTEST_SKIP() << "runs only inside the small-disk test below";
    }
    const QString path = QString::fromUtf8(smallDisk) + "/full.avi";
    const BitmapInfoHeader in = rgb(160, 120);
    auto w = AviWriter::create(path.toStdString(), AviVideoStream{"rawvideo", 0, in, 66666},
                               nullptr, nullptr);
    ASSERT_TRUE(w);
    int written = 0;
    while (written < 1000 && w->writeVideo(halves(in), true)) {
        ++written;
    }
    EXPECT_LT(written, 1000);
    EXPECT_TRUE(w->failed());
    EXPECT_EQ(w->error(), "the disk is full");
    EXPECT_TRUE(w->finish()) << w->error();
    std::printf("frames=%d\n", written);
    ASSERT_TRUE(QFile::copy(path, qEnvironmentVariable("BRINDLE_SMALL_DISK_OUT")));
}

TEST(AviWriter, AFullDiskLeavesAFinishedFile) {
    QTemporaryDir dir;
    const QString mount = dir.filePath("disk");
    const QString out = dir.filePath("out.avi");
    QDir().mkpath(mount);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("BRINDLE_SMALL_DISK", mount);
    env.insert("BRINDLE_SMALL_DISK_OUT", out);
    p.setProcessEnvironment(env);
    // A private mount namespace holds a real, small file system.
    p.start("unshare", {"-r", "-m", "sh", "-c",
                        "mount -t tmpfs -o size=1m none \"$BRINDLE_SMALL_DISK\" || exit 77; exec "
                        "\"$0\" --gtest_filter=AviWriter.FillsASmallDisk",
                        QCoreApplication::applicationFilePath()});
    if (!p.waitForStarted() || !p.waitForFinished(60000)) {
        GTEST_SKIP() << "unshare is not available";
    }
    if (p.exitCode() == 77 || (p.exitCode() != 0 && !QFile::exists(out))) {
        GTEST_SKIP() << "no private mounts here: " << p.readAllStandardError().toStdString();
    }
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
    const QString printed = QString::fromUtf8(p.readAllStandardOutput());
    const int at = printed.indexOf("frames=");
    ASSERT_GE(at, 0);
    const int frames = printed.mid(at + 7).section('\n', 0, 0).toInt();
    EXPECT_GT(frames, 5);
    const test::ClipInfo clip = test::readClip(out);
    ASSERT_TRUE(clip.ok);
    EXPECT_EQ(clip.frames(), frames);
    EXPECT_EQ(clip.decodedFrames, frames);
}

}  // namespace
}  // namespace brindle::vfw
