#include "controls/videocap/capture_engine.h"
#include "tests/support/avi_fixtures.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <algorithm>

namespace brindle::orvalis {
namespace {

// A scripted source: frames and sound buffers handed to the engine in the
// order and number a test says, as the capture window would.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        setup.compression = "zq5a";
        setup.input.biWidth = 64;
        setup.input.biHeight = 48;
        setup.input.biBitCount = 24;
        setup.input.biSizeImage = static_cast<std::uint32_t>(vfw::frameBytes(setup.input));
        setup.audio.samplesPerSec = 11205;
        setup.audio.recompute();
        setup.path = dir.filePath("cap.avi").toStdString();
        setup.framePeriodUs = 66666;
    }

    void open() {
        engine.reset(setup.framePeriodUs);
        std::string why;
        ASSERT_TRUE(engine.open(setup, &why)) << why;
    }

    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            std::vector<std::uint8_t> bits(vfw::frameBytes(setup.input),
                                           static_cast<std::uint8_t>(next++ * 3));
            engine.frame(bits);
        }
    }

    void sound(std::size_t bytes) { engine.wave(std::vector<std::uint8_t>(bytes, 128)); }

    QTemporaryDir dir;
    CaptureEngine::Setup setup;
    CaptureEngine engine;
    int next = 0;
};

TEST_F(EngineTest, ANegativeCorrectionDropsFrames) {
    open();
    frames(1);
    engine.setFrameCorrection(-3);
    frames(1);
    EXPECT_EQ(engine.framesWritten(), 1);
    EXPECT_EQ(engine.frameCorrection(), -2);
    frames(2);
    EXPECT_EQ(engine.framesWritten(), 1);
    EXPECT_EQ(engine.frameCorrection(), 0);
    frames(1);
    EXPECT_EQ(engine.framesWritten(), 2);
    EXPECT_EQ(engine.framesDropped(), 3u);
    EXPECT_EQ(engine.framesRepeated(), 0u);
    engine.reset(setup.framePeriodUs);
    EXPECT_EQ(engine.framesDropped(), 0u);  // a new capture counts afresh
}

TEST_F(EngineTest, RepeatsStopBeforeAKeyFrame) {
    open();
    frames(28);
    ASSERT_EQ(engine.framesWritten(), 28);
    engine.setFrameCorrection(4);
    frames(1);
    // Frames 28 and 29 are written; 30 must be a key frame of its own.
    EXPECT_EQ(engine.framesWritten(), 30);
    EXPECT_EQ(engine.frameCorrection(), 3);
    frames(1);  // 30 (key), then three repeats
    EXPECT_EQ(engine.framesWritten(), 34);
    EXPECT_EQ(engine.frameCorrection(), 0);
    EXPECT_EQ(engine.framesRepeated(), 4u);
    EXPECT_EQ(engine.framesDropped(), 0u);
    ASSERT_TRUE(engine.close());
    const test::ClipInfo clip = test::readClip(QString::fromStdString(setup.path));
    ASSERT_TRUE(clip.ok);
    ASSERT_EQ(clip.frames(), 34);
    for (int f = 0; f < 34; ++f) {
        EXPECT_EQ(clip.keys[f], f % 15 == 0) << "frame " << f;
    }
}

TEST_F(EngineTest, SoundBeforeTheFirstFrameIsNotWritten) {
    open();
    sound(1120);
    sound(1120);
    EXPECT_EQ(engine.audioBytes(), 0u);
    frames(1);
    sound(1120);
    EXPECT_EQ(engine.audioBytes(), 1120u);
    ASSERT_TRUE(engine.close());
    const test::ClipInfo clip = test::readClip(QString::fromStdString(setup.path));
    ASSERT_TRUE(clip.ok);
    EXPECT_EQ(clip.audioSamples, 1120);
}

TEST_F(EngineTest, TheSoundClockSetsTheCorrection) {
    open();
    frames(10);
    // One second of sound is 15.0002 frame periods: 15 frames are due and
    // 10 are written, so 4 more follow the next frame.
    sound(11205);
    EXPECT_EQ(engine.frameCorrection(), 4);
    frames(1);
    EXPECT_EQ(engine.framesWritten(), 15);
    EXPECT_EQ(engine.frameCorrection(), 0);
    // Half a period more of sound (fraction 0.5 counts as a frame due):
    // 16 due, 15 written -> correction 0.
    sound(374);
    EXPECT_EQ(engine.frameCorrection(), 0);
    // Exactly in step (16 due, 16 written): the next frame is kept.
    frames(1);
    sound(1);
    EXPECT_EQ(engine.frameCorrection(), 0);
    // Video ahead of the sound: 4 more frames written, none due -> drop 3.
    frames(4);
    sound(1);
    EXPECT_EQ(engine.framesWritten(), 20);
    EXPECT_EQ(engine.frameCorrection(), -3);
}

// Three seconds of a camera at 15 frames a second with sound in buffers of
// a tenth of a second, handed over in the order they come. The camera's
// clock runs `drift` fast, and it loses the frames listed.
class EngineTimelineTest : public EngineTest {
protected:
    int play(double drift, const std::vector<int>& lost) {
        const double frameMs = 66.666 / drift;
        int frame = 0;
        int buffer = 0;
        int framesIn = 0;
        for (int ms = 0; ms <= 3000; ++ms) {
            while (frame * frameMs <= ms) {
                if (std::find(lost.begin(), lost.end(), frame) == lost.end()) {
                    frames(1);
                    ++framesIn;
                }
                ++frame;
            }
            if (ms > 0 && ms % 100 == 0) {
                sound(1100 + (++buffer % 2));  // 11005 Hz on average
            }
        }
        return framesIn;
    }
};

TEST_F(EngineTimelineTest, LostFramesAreRepeatedAndAFastCameraIsThinned) {
    setup.audio.samplesPerSec = 11005;
    setup.audio.recompute();
    // Frames the camera lost: the sound clock has the engine repeat others
    // in their place; nothing is dropped.
    open();
    int in = play(1.0, {20, 21, 22, 40});
    EXPECT_EQ(in, 46 - 4);
    EXPECT_EQ(engine.framesDropped(), 0u);
    EXPECT_GE(engine.framesRepeated(), 3u);
    EXPECT_EQ(engine.framesWritten(), in + std::int32_t(engine.framesRepeated()));
    EXPECT_NEAR(engine.framesWritten(), 45, 1);
    ASSERT_TRUE(engine.close());

    // A camera 10% fast: the extra frames are dropped, and counted.
    open();
    in = play(1.1, {});
    EXPECT_GE(engine.framesDropped(), 3u);
    EXPECT_EQ(engine.framesWritten(),
              in - std::int32_t(engine.framesDropped()) + std::int32_t(engine.framesRepeated()));
    EXPECT_NEAR(engine.framesWritten(), 45, 1);
}

TEST_F(EngineTest, TheFramePeriodOfFifteenFramesASecond) {
    setup.framePeriodUs = 1000000 / 15;
    EXPECT_EQ(setup.framePeriodUs, 66666u);
    open();
    frames(15);
    ASSERT_TRUE(engine.close());
    const test::ClipInfo clip = test::readClip(QString::fromStdString(setup.path));
    EXPECT_EQ(clip.frames(), 15);
    EXPECT_EQ(engine.framePeriodUs(), 66666u);
}

TEST_F(EngineTest, OpeningFailsWithoutTheCompressorOrItsBlock) {
    std::string why;
    setup.compression = "qqqq";
    EXPECT_FALSE(engine.open(setup, &why));
    setup.compression = "MJPG";  // installed, but takes no configuration block
    EXPECT_FALSE(engine.open(setup, &why));
    EXPECT_FALSE(engine.isOpen());
    setup.compression = "ZQ4A";  // the upper-case name sends the ZQ5A block
    EXPECT_FALSE(engine.open(setup, &why));
    setup.compression = "zq4a";
    EXPECT_TRUE(engine.open(setup, &why)) << why;
    setup.compression = "zq5a";
    setup.audio.channels = 0;
    setup.audio.recompute();
    EXPECT_FALSE(engine.open(setup, &why));
}

}  // namespace
}  // namespace brindle::orvalis
