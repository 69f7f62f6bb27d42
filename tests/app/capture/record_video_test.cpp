// The video recording dialog with the synthetic camera and the private
// PulseAudio: recording, playback of the take, the take becoming a video
// slide, the frame sizes and layout, the time limit, and no camera at all.
#include "app/capture/record_video.h"
#include "components/mediaplayer/media_player.h"
#include "controls/videocap/orvalis_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/vfw/device_input.h"
#include "tests/app/capture/camera_test_support.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace brindle {
namespace {

using orvalis::DispCapture;
using orvalis::DispCaptureLimit;

bool soundAvailable() {
    vfw::WaveFormat f;
    f.samplesPerSec = 22050;
    f.bitsPerSample = 16;
    f.recompute();
    return vfw::AudioInput::open(f, nullptr) != nullptr;
}

// The clip's length in milliseconds as FFmpeg's own reader sees it.
double probedMs(const QString& path) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of",
                        "default=noprint_wrappers=1:nokey=1", path});
    p.waitForFinished(20000);
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed().toDouble() * 1000.0;
}

class RecordVideoTest : public test::CameraTest {
protected:
    void TearDown() override {
        RecordVideo::setClock({});
        CameraTest::TearDown();
    }
    QString state(const RecordVideo& dlg) const { return dlg.Label1()->text(); }

    // Records through the buttons for about `ms` after the preparing wait.
    void record(RecordVideo& dlg, int ms) {
        QTest::mouseClick(dlg.Record(), Qt::LeftButton);
        EXPECT_EQ(state(dlg), "Recording");
        EXPECT_TRUE(dlg.Stop1()->isEnabled());
        EXPECT_FALSE(dlg.Record()->isEnabled());
        // The camera may take a moment to deliver the take's first frame.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return dlg.Orvalis1()
                    ->get(orvalis::DispStatus)
                    .value.toString()
                    .contains("Frames Captured");
            },
            10000));
        QTest::qWait(ms);
        QTest::mouseClick(dlg.Stop1(), Qt::LeftButton);
        EXPECT_EQ(state(dlg), "Live Window");
        EXPECT_TRUE(dlg.Play()->isEnabled());
        EXPECT_GT(dlg.framesCaptured(), 0);
    }
};

TEST_F(RecordVideoTest, RecordPlayAndDoneAddTheTakeAsAVideoSlide) {
    if (!soundAvailable()) {
        GTEST_SKIP() << "no sound source (run through scripts/run-tests.sh)";
    }
    cameras("1");
    RecordVideo dlg;
    dlg.show();
    ASSERT_TRUE(dlg.connected());
    EXPECT_EQ(state(dlg), "Live Window");
    EXPECT_EQ(dlg.Orvalis1()->widget()->geometry(), QRect(104, 86, 160, 120));
    record(dlg, 3000);
    EXPECT_EQ(dlg.Orvalis1()->get(DispCaptureLimit).value.toInt(), 140);

    // Playback shows the player in the picture's place, with its display
    // set for the take whatever it was before; its end brings the live
    // picture back.
    dlg.MCIWnd1()->setScaled(false);
    dlg.MCIWnd1()->setShowPosition(true);
    dlg.MCIWnd1()->setShowName(true);
    QTest::mouseClick(dlg.Play(), Qt::LeftButton);
    EXPECT_EQ(state(dlg), "Playback Window");
    EXPECT_TRUE(dlg.MCIWnd1()->scaled());
    EXPECT_FALSE(dlg.MCIWnd1()->showPosition());
    EXPECT_FALSE(dlg.MCIWnd1()->showName());
    EXPECT_EQ(dlg.MCIWnd1()->modeName(), "playing");
    EXPECT_TRUE(dlg.MCIWnd1()->isVisible());
    EXPECT_EQ(dlg.MCIWnd1()->geometry(), QRect(104, 86, 160, 120));
    EXPECT_FALSE(dlg.Orvalis1()->widget()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return state(dlg).startsWith("Playback "); }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return state(dlg) == "Live Window"; }, 12000));
    EXPECT_FALSE(dlg.MCIWnd1()->isVisible());
    EXPECT_TRUE(dlg.Orvalis1()->widget()->isVisible());
    EXPECT_EQ(dlg.ProgressBar1()->value(), 0);

    // The take shows the camera's moving picture: its frames differ.
    MediaPlayer reader;
    ASSERT_TRUE(reader.open(RecordVideo::takeFile()));
    const QImage first = reader.image();
    reader.setPosition(reader.length() / 2);
    EXPECT_EQ(first.size(), QSize(160, 120));
    EXPECT_NE(reader.image(), first);
    reader.close();

    // Stop during playback: the player stops and the live picture is back.
    QTest::mouseClick(dlg.Play(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return state(dlg).startsWith("Playback "); }, 3000));
    QTest::mouseClick(dlg.Stop1(), Qt::LeftButton);
    EXPECT_EQ(dlg.MCIWnd1()->modeName(), "stopped");
    EXPECT_EQ(state(dlg), "Live Window");
    EXPECT_FALSE(dlg.MCIWnd1()->isVisible());
    EXPECT_TRUE(dlg.Orvalis1()->widget()->isVisible());
    EXPECT_TRUE(dlg.Record()->isEnabled());
    EXPECT_FALSE(dlg.Stop1()->isEnabled());
    EXPECT_EQ(dlg.ProgressBar1()->value(), 0);

    QTest::mouseClick(dlg.Done(), Qt::LeftButton);
    EXPECT_TRUE(messages.numbers().isEmpty());
    ASSERT_EQ(gProject.count(), 1);
    const MediaElement* slide = gProject.Item(1);
    EXPECT_EQ(slide->mediaType, MediaVideo);
    EXPECT_TRUE(gProjectChanged);
    const double probed = probedMs(slide->Filename);
    EXPECT_GE(slide->Duration, 3000);
    EXPECT_NEAR(slide->Duration, probed, 1000.0 / 15 + 1);
    EXPECT_FALSE(dlg.Orvalis1()->get(orvalis::DispConnect).value.toBool());
}

TEST_F(RecordVideoTest, RecordingAgainKeepsOnlyTheSecondTake) {
    if (!soundAvailable()) {
        GTEST_SKIP() << "no sound source (run through scripts/run-tests.sh)";
    }
    cameras("1");
    RecordVideo dlg;
    dlg.show();
    record(dlg, 1500);
    const int first = dlg.framesCaptured();
    record(dlg, 200);
    // The second take is the shorter one, written afresh.
    EXPECT_LT(probedMs(RecordVideo::takeFile()), first * 1000.0 / 15);
    QTest::mouseClick(dlg.Done(), Qt::LeftButton);
    ASSERT_EQ(gProject.count(), 1);
    EXPECT_NEAR(gProject.Item(1)->Duration, probedMs(gProject.Item(1)->Filename), 1000.0 / 15 + 1);
}

TEST_F(RecordVideoTest, TheLimitStopsTheTakeAfterTwoMinutes) {
    if (!soundAvailable()) {
        GTEST_SKIP() << "no sound source (run through scripts/run-tests.sh)";
    }
    cameras("1");
    double now = 1000;
    bool running = true;
    // The clock runs fast through the preparing wait, then only when told.
    RecordVideo::setClock([&] { return running ? (now += 0.5) : now; });
    RecordVideo dlg;
    dlg.show();
    QTest::mouseClick(dlg.Record(), Qt::LeftButton);
    running = false;
    ASSERT_EQ(state(dlg), "Recording");
    EXPECT_TRUE(dlg.Timer1()->isActive());
    now += 60;
    dlg.Timer1_Timer();
    EXPECT_EQ(dlg.ProgressBar1()->value(), 50);
    now += 59;
    dlg.Timer1_Timer();
    EXPECT_EQ(state(dlg), "Recording 61 Seconds");
    EXPECT_TRUE(dlg.Orvalis1()->get(DispCapture).value.toBool());
    now += 1;
    dlg.Timer1_Timer();
    EXPECT_EQ(state(dlg), "Done Recording. Live Window");
    EXPECT_FALSE(dlg.Orvalis1()->get(DispCapture).value.toBool());
    EXPECT_FALSE(dlg.Timer1()->isActive());
    EXPECT_TRUE(dlg.Record()->isEnabled());
    EXPECT_TRUE(dlg.Play()->isEnabled());
    EXPECT_FALSE(dlg.Stop1()->isEnabled());
    EXPECT_EQ(dlg.ProgressBar1()->value(), 0);
}

TEST_F(RecordVideoTest, FrameSizesAreTriedInOrderAndCentred) {
    cameras("1", "160x120");
    {
        RecordVideo dlg;
        EXPECT_EQ(dlg.Orvalis1()->widget()->geometry(), QRect(96, 74, 176, 144));
    }
    cameras("1", "160x120,176x144");
    {
        RecordVideo dlg;
        EXPECT_EQ(dlg.Orvalis1()->widget()->geometry(), QRect(24, 26, 320, 240));
    }
}

TEST_F(RecordVideoTest, DoneWithoutRecordAddsNothing) {
    cameras("1");
    // A take left from an earlier run is gone as soon as the dialog opens.
    QDir().mkpath(gTempFolder);
    env.write("Temp/capture.avi", "stale");
    RecordVideo dlg;
    EXPECT_FALSE(QFile::exists(RecordVideo::takeFile()));
    QTest::mouseClick(dlg.Done(), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(gProject.count(), 0);
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_FALSE(gProjectChanged);
}

TEST_F(RecordVideoTest, ATakeWithoutFramesIsNotAdded) {
    if (!soundAvailable()) {
        GTEST_SKIP() << "no sound source (run through scripts/run-tests.sh)";
    }
    cameras("1");
    RecordVideo dlg;
    dlg.show();
    // The camera is gone when Record is pressed: message 68, and Done then
    // has no take to add; the earlier take is not offered in its place.
    QDir().mkpath(gTempFolder);
    dlg.Orvalis1()->put(orvalis::DispConnect, false);
    env.write("Temp/capture.avi", "half written");
    QTest::mouseClick(dlg.Record(), Qt::LeftButton);
    EXPECT_EQ(messages.numbers(), QList<int>{68});
    EXPECT_FALSE(QFile::exists(RecordVideo::takeFile()));
    EXPECT_FALSE(dlg.recorded());
    QTest::mouseClick(dlg.Done(), Qt::LeftButton);
    EXPECT_EQ(gProject.count(), 0);
}

TEST_F(RecordVideoTest, ACaptureThatNeverDeliversAFrameIsNotAdded) {
    if (!soundAvailable()) {
        GTEST_SKIP() << "no sound source (run through scripts/run-tests.sh)";
    }
    cameras("1");
    // The camera goes away before its first frame.
    qputenv("BRINDLE_TEST_CAMERA_FRAMES", "0");
    RecordVideo dlg;
    dlg.show();
    ASSERT_TRUE(dlg.connected());
    QTest::mouseClick(dlg.Record(), Qt::LeftButton);
    EXPECT_TRUE(dlg.recorded());
    QTest::qWait(500);
    QTest::mouseClick(dlg.Stop1(), Qt::LeftButton);
    EXPECT_EQ(dlg.framesCaptured(), 0);
    QTest::mouseClick(dlg.Done(), Qt::LeftButton);
    EXPECT_EQ(gProject.count(), 0);
    EXPECT_EQ(messages.numbers(), QList<int>{65});
}

TEST_F(RecordVideoTest, WithoutACameraItSaysSoAndClosesItself) {
    cameras("0");
    gCapture = QString::number(firstCamera() + 2);
    RecordVideo dlg;
    EXPECT_FALSE(dlg.connected());
    EXPECT_EQ(messages.numbers(), QList<int>{68});
    EXPECT_FALSE(dlg.Record()->isEnabled());
    dlg.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.isVisible(); }, 2000));
}

}  // namespace
}  // namespace brindle
