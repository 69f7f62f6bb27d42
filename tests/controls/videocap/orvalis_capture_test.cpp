// Recording through the control from the synthetic camera: compressed with
// sound, plain, stopped by Escape, by the host, by a vanishing device, and
// by the control's own destruction. Files are read back with FFmpeg.
#include "tests/controls/videocap/orvalis_fixture.h"

#include "platform/vfw/frame_stamp.h"
#include "tests/support/avi_fixtures.h"
#include "tests/support/media_fixture.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>

#include <chrono>

namespace brindle::orvalis::hosted {
namespace {

class OrvalisCaptureTest : public OrvalisTest {
protected:
    // A connected control recording for `seconds` (blocking) into path.
    void SetUp() override { camera("1"); }

    void prepare(const QString& path, int seconds, bool sound) {
        host().put(DispDriverNum, firstCamera());
        ASSERT_EQ(errorNum(), 0);
        host().put(DispCaptureFile, path);
        host().put(DispCaptureAudio, sound);
        host().put(DispCaptureLimit, seconds);
        host().put(DispCaptureUseLimit, seconds > 0);
        host().put(DispYield, false);
    }

    // The frame counters in the clip's pictures, in order.
    static std::vector<std::uint32_t> counters(const QString& path, std::int64_t frames) {
        std::vector<std::uint32_t> out;
        for (std::int64_t i = 0; i < frames; ++i) {
            int w = 0;
            int h = 0;
            std::vector<std::uint8_t> bgr = brindle::test::decodeFrameBgr(path, i, &w, &h);
            if (bgr.empty()) {
                break;
            }
            // Blue stands in for brightness: the stamp is black or white.
            std::vector<std::uint8_t> luma(static_cast<std::size_t>(w) * h);
            for (std::size_t p = 0; p < luma.size(); ++p) {
                luma[p] = bgr[p * 3];
            }
            out.push_back(vfw::readFrameNumber(luma.data(), w));
        }
        return out;
    }
};

TEST_F(OrvalisCaptureTest, CompressedWithSoundFromTheSyntheticCamera) {
    if (!soundAvailable()) {
        GTEST_SKIP() << "no PulseAudio server (scripts/run-tests.sh starts one)";
    }
    const QString path = env.file("clip.avi");
    prepare(path, 3, true);
    ASSERT_EQ(set(DispCompression, "zq5a"), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(set(DispCapture, true), 0) << error().toStdString();
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // The time limit ended it, counted from when the sound began to flow.
    EXPECT_GE(took, 2.9);
    EXPECT_LT(took, 8.5);
    EXPECT_FALSE(host().get(DispCapture).value.toBool());
    // The status counted the frames.
    const std::vector<Event> status = eventsOf(EventStatus);
    ASSERT_FALSE(status.empty());
    EXPECT_TRUE(host().get(DispStatus).value.toString().startsWith("Captured ") ||
                host().get(DispStatus).value.toString().startsWith("Orvalis: Frames Captured="));

    EXPECT_EQ(brindle::test::probe(path, "stream=codec_name").split('\n').value(0).trimmed(),
              "mpeg4");
    EXPECT_EQ(brindle::test::probe(path, "stream=codec_tag_string").split('\n').value(0).trimmed(),
              "FMP4");
    EXPECT_EQ(brindle::test::probe(path, "stream=codec_name").split('\n').value(1).trimmed(),
              "pcm_u8");
    const brindle::test::ClipInfo clip = brindle::test::readClip(path);
    ASSERT_TRUE(clip.ok);
    EXPECT_EQ(clip.sampleRate, 11205);
    EXPECT_EQ(clip.decodedFrames, clip.frames());
    EXPECT_GE(clip.frames(), 40);
    // Video and sound agree within one frame.
    const double video = clip.frames() * 0.066666;
    const double sound = double(clip.audioSamples) / 11205.0;
    EXPECT_NEAR(video, sound, 0.0667 + 0.1) << clip.frames() << " frames, " << sound << " s";
    // The counters run on: no frame lost, none out of order.
    const std::vector<std::uint32_t> seen = counters(path, clip.frames());
    ASSERT_EQ(static_cast<std::int64_t>(seen.size()), clip.frames());
    int lost = 0;
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_GE(seen[i], seen[i - 1]);
        lost += seen[i] > seen[i - 1] + 1 ? int(seen[i] - seen[i - 1] - 1) : 0;
    }
    EXPECT_LE(lost, 1) << "frames lost";
    if (qEnvironmentVariableIsSet("ORVALIS_DEBUG")) {
        QStringList all;
        for (std::uint32_t n : seen) {
            all << QString::number(n);
        }
        QFile::remove("/tmp/orv_debug.avi");
        QFile::copy(path, "/tmp/orv_debug.avi");
        std::printf("sound %.3f s, counters %s\n", sound, qPrintable(all.join(' ')));
    }
}

TEST_F(OrvalisCaptureTest, WithoutACompressorTheFirstStartFallsBackToPlain) {
    LogCapture log;
    const QString path = env.file("plain.avi");
    prepare(path, 1, false);
    EXPECT_EQ(set(DispCapture, true), 0);
    EXPECT_EQ(LogCapture::count("Orvalis: no compressor"), 1);
    brindle::test::ClipInfo clip = brindle::test::readClip(path);
    ASSERT_TRUE(clip.ok);
    EXPECT_EQ(clip.codec, "rawvideo");
    EXPECT_GE(clip.frames(), 10);
    // The next start goes straight to plain capture.
    EXPECT_EQ(set(DispCapture, true), 0);
    EXPECT_EQ(LogCapture::count("Orvalis: no compressor"), 1);
    clip = brindle::test::readClip(path);
    EXPECT_EQ(clip.codec, "rawvideo");
    // The recorded file can be saved under another name.
    EXPECT_EQ(set(DispCaptureSave, env.file("saved.avi")), 0);
    EXPECT_EQ(brindle::test::fileBytes(env.file("saved.avi")), brindle::test::fileBytes(path));
}

TEST_F(OrvalisCaptureTest, HostStopsAndASecondWriterIsRefused) {
    camera("2");
    const QString path = env.file("stop.avi");
    prepare(path, 0, false);
    // A second control, idle, on the other camera: the first is busy, as
    // a camera streams to one reader at a time.
    std::unique_ptr<ControlHost> other = load();
    EXPECT_FALSE(other->get(DispConnect).value.toBool());
    other->put(DispDriverNum, firstCamera() + 1);
    other->put(DispConnect, true);
    ASSERT_EQ(other->get(DispErrorNum).value.toInt(), 0);
    host().put(DispYield, true);
    ASSERT_EQ(set(DispCompression, "zq4a"), 0);
    ASSERT_EQ(set(DispCapture, true), 0);
    EXPECT_TRUE(host().get(DispCapture).value.toBool());
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(800);
    while (std::chrono::steady_clock::now() < until) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    // Capture TRUE again: refused, and the running capture goes on.
    EXPECT_EQ(set(DispCapture, true), kErrCapture);
    EXPECT_TRUE(host().get(DispCapture).value.toBool());
    // A stop asked for while the stop waits fails at once; the other
    // control's stop meanwhile is its own and works.
    int nested = -1;
    int otherNested = -1;
    host().onEvent(EventStatus, [&](const QVariantList&) {
        if (nested == -1) {
            host().put(DispCaptureStop, true);
            nested = host().get(DispErrorNum).value.toInt();
            other->put(DispCaptureStop, true);
            otherNested = other->get(DispErrorNum).value.toInt();
        }
    });
    EXPECT_EQ(set(DispCaptureStop, true), 0);
    EXPECT_EQ(nested, kErrCaptureStop);
    EXPECT_EQ(otherNested, 0);
    EXPECT_FALSE(host().get(DispCapture).value.toBool());
    const brindle::test::ClipInfo clip = brindle::test::readClip(path);
    ASSERT_TRUE(clip.ok);
    EXPECT_EQ(clip.codec, "mpeg4");
    EXPECT_GE(clip.frames(), 5);
    EXPECT_EQ(clip.decodedFrames, clip.frames());
}

TEST_F(OrvalisCaptureTest, EscapeEndsACaptureThatWaits) {
    const QString path = env.file("escape.avi");
    prepare(path, 0, false);
    ASSERT_EQ(set(DispCompression, "zq5a"), 0);
    QTimer::singleShot(700, [this] {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(host().widget(), &esc);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(set(DispCapture, true), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    const brindle::test::ClipInfo clip = brindle::test::readClip(path);
    ASSERT_TRUE(clip.ok);
    EXPECT_GE(clip.frames(), 3);
}

TEST_F(OrvalisCaptureTest, AVanishingCameraEndsWithAFinishedFile) {
    const QString path = env.file("vanish.avi");
    camera("1", "", "45");
    prepare(path, 0, false);
    ASSERT_EQ(set(DispCompression, "zq5a"), 0);
    EXPECT_EQ(set(DispCapture, true), kErrCapture);
    const brindle::test::ClipInfo clip = brindle::test::readClip(path);
    ASSERT_TRUE(clip.ok);
    EXPECT_GT(clip.frames(), 0);
    EXPECT_LE(clip.frames(), 45);
    EXPECT_EQ(clip.decodedFrames, clip.frames());
}

TEST_F(OrvalisCaptureTest, DestroyingTheControlFinishesItsFile) {
    const QString path = env.file("destroyed.avi");
    prepare(path, 0, false);
    host().put(DispYield, true);
    ASSERT_EQ(set(DispCompression, "zq5a"), 0);
    ASSERT_EQ(set(DispCapture, true), 0);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
    while (std::chrono::steady_clock::now() < until) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    m_host.reset();
    delete window.findChild<QWidget*>("Orvalis");
    const brindle::test::ClipInfo clip = brindle::test::readClip(path);
    ASSERT_TRUE(clip.ok);
    EXPECT_GE(clip.frames(), 3);
    EXPECT_EQ(clip.decodedFrames, clip.frames());
}

}  // namespace
}  // namespace brindle::orvalis::hosted

namespace brindle::orvalis::hosted {
namespace {

class OrvalisSingleFrameTest : public OrvalisTest {};

TEST_F(OrvalisSingleFrameTest, FramesOneByOneIntoAFile) {
    camera("1");
    host().put(DispDriverNum, firstCamera());
    host().put(DispCaptureFile, env.file("single.avi"));
    EXPECT_EQ(set(DispSingleFrame, true), kErrSingleFrame);  // nothing open yet
    EXPECT_EQ(set(DispSingleFrameOpen, true), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(set(DispSingleFrame, true), 0);
    }
    EXPECT_EQ(set(DispSingleFrameClose, true), 0);
    EXPECT_EQ(set(DispSingleFrameClose, true), kErrSingleFrameClose);
    const brindle::test::ClipInfo clip = brindle::test::readClip(env.file("single.avi"));
    ASSERT_TRUE(clip.ok);
    EXPECT_EQ(clip.frames(), 3);
    EXPECT_EQ(clip.decodedFrames, 3);
}

TEST_F(OrvalisSingleFrameTest, AControlOverTheLimitHearsNothingFromItsWindow) {
    camera("1");
    std::vector<std::unique_ptr<ControlHost>> admitted;
    for (int i = 0; i < 5; ++i) {
        admitted.push_back(load());
    }
    std::unique_ptr<ControlHost> sixth = load();
    sixth->put(DispDriverNum, firstCamera());
    sixth->put(DispCaptureAudio, false);
    sixth->put(DispYield, true);
    sixth->put(DispCaptureFile, env.file("sixth.avi"));
    sixth->put(DispCompression, "zq5a");
    sixth->put(DispCapture, true);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (std::chrono::steady_clock::now() < until) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    sixth->put(DispCapture, false);
    EXPECT_EQ(brindle::test::readClip(env.file("sixth.avi")).frames(), 0);
}

}  // namespace
}  // namespace brindle::orvalis::hosted
