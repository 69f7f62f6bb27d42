#include "platform/vfw/capture_window.h"
#include "platform/vfw/device_input.h"
#include "platform/vfw/drivers.h"
#include "platform/vfw/frame_stamp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace brindle::vfw {
namespace {

// Sets the synthetic camera's environment for one test.
class CameraEnv {
public:
    explicit CameraEnv(const char* count, const char* refuse = "", const char* busy = "",
                       const char* frames = "") {
        qputenv("BRINDLE_TEST_CAMERA", count);
        qputenv("BRINDLE_TEST_CAMERA_REFUSE", refuse);
        qputenv("BRINDLE_TEST_CAMERA_BUSY", busy);
        qputenv("BRINDLE_TEST_CAMERA_FRAMES", frames);
    }
    ~CameraEnv() {
        for (const char* name : {"BRINDLE_TEST_CAMERA", "BRINDLE_TEST_CAMERA_REFUSE",
                                 "BRINDLE_TEST_CAMERA_BUSY", "BRINDLE_TEST_CAMERA_FRAMES"}) {
            qunsetenv(name);
        }
    }
};

std::vector<DriverInfo> synthetic() {
    std::vector<DriverInfo> out;
    for (const DriverInfo& d : listDrivers()) {
        if (d.synthetic) {
            out.push_back(d);
        }
    }
    return out;
}

// The counter stamped into a bottom-up 24-bit frame.
std::uint32_t counterOf(const VideoFrame& f) {
    const QImage image = imageOf(f).convertToFormat(QImage::Format_Grayscale8);
    return readFrameNumber(image.constBits(), static_cast<int>(image.bytesPerLine()));
}

struct Collected {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<VideoFrame> frames;
    std::string end;
    bool ended = false;

    bool waitFor(std::size_t n, std::chrono::seconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, limit, [&] { return frames.size() >= n || ended; });
    }
};

void startCollecting(VideoInput& input, Collected& c) {
    input.start(
        [&c](VideoFrame&& f) {
            std::lock_guard lock(c.mutex);
            c.frames.push_back(std::move(f));
            c.cv.notify_all();
        },
        [&c](const std::string& why) {
            std::lock_guard lock(c.mutex);
            c.end = why;
            c.ended = true;
            c.cv.notify_all();
        });
}

TEST(SyntheticCamera, ListedOnlyWhenAskedFor) {
    {
        CameraEnv env("0");
        EXPECT_TRUE(synthetic().empty());
    }
    CameraEnv env("3");
    const std::vector<DriverInfo> cams = synthetic();
    ASSERT_EQ(cams.size(), 3u);
    EXPECT_EQ(cams[0].name, "Brindle Test Camera 1");
    EXPECT_EQ(cams[2].name, "Brindle Test Camera 3");
    EXPECT_EQ(cams[0].version, "Version: 1.0");
    // Synthetic cameras come after every real one.
    const std::vector<DriverInfo> all = listDrivers();
    DriverInfo last;
    ASSERT_TRUE(driverDescription(static_cast<int>(all.size()) - 1, &last));
    EXPECT_EQ(last.name, "Brindle Test Camera 3");
    EXPECT_FALSE(driverDescription(static_cast<int>(all.size()), &last));
    EXPECT_FALSE(driverDescription(-1, &last));
}

TEST(SyntheticCamera, DeliversNumberedFramesInTheOutputFormat) {
    CameraEnv env("1");
    auto input = VideoInput::open(synthetic().at(0), FrameSize{320, 240}, 20000, nullptr);
    ASSERT_TRUE(input);
    EXPECT_EQ(input->size(), (FrameSize{320, 240}));
    Collected c;
    startCollecting(*input, c);
    ASSERT_TRUE(c.waitFor(6));
    input->stop();
    ASSERT_GE(c.frames.size(), 6u);
    for (std::size_t i = 0; i < c.frames.size(); ++i) {
        EXPECT_EQ(c.frames[i].bits.size(), 320u * 240 * 3);
        EXPECT_EQ(counterOf(c.frames[i]), i);
    }
    // Paced in real time by the frame period: 5 periods of 20 ms.
    EXPECT_NEAR(double(c.frames[5].timeUs - c.frames[0].timeUs), 100000.0, 1000.0);

    BitmapInfoHeader i420 = input->outputFormat();
    i420.biCompression = kFourccI420;
    i420.biBitCount = 12;
    ASSERT_TRUE(input->setOutputFormat(i420));
    BitmapInfoHeader wrongSize = i420;
    wrongSize.biWidth = 100;
    EXPECT_FALSE(input->setOutputFormat(wrongSize));
    Collected planar;
    startCollecting(*input, planar);
    ASSERT_TRUE(planar.waitFor(1));
    input->stop();
    EXPECT_EQ(planar.frames[0].bits.size(), 320u * 240 * 3 / 2);
}

TEST(SyntheticCamera, RefusedSizesBusyDevicesAndVanishing) {
    CameraEnv env("2", "640x480,1280x720", "1", "3");
    const std::vector<DriverInfo> cams = synthetic();
    ASSERT_EQ(cams.size(), 2u);
    std::string why;
    EXPECT_FALSE(VideoInput::open(cams[0], FrameSize{640, 480}, 66666, &why));
    EXPECT_NE(why.find("refused"), std::string::npos);
    EXPECT_FALSE(VideoInput::open(cams[1], FrameSize{320, 240}, 66666, &why));
    EXPECT_NE(why.find("busy"), std::string::npos);
    const std::vector<FrameSize> sizes = frameSizes(cams[0]);
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), FrameSize{640, 480}), 0);
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), FrameSize{320, 240}), 1);

    auto input = VideoInput::open(cams[0], FrameSize{160, 120}, 10000, &why);
    ASSERT_TRUE(input) << why;
    Collected c;
    startCollecting(*input, c);
    ASSERT_TRUE(c.waitFor(100));
    input->stop();
    EXPECT_EQ(c.frames.size(), 3u);
    EXPECT_TRUE(c.ended);
    EXPECT_EQ(c.end, "the device vanished");
}

TEST(CaptureWindow, ConnectsFormatsAndGrabs) {
    CameraEnv env("1", "640x480");
    QWidget parent;
    CaptureWindow win(&parent);
    BitmapInfoHeader h;
    EXPECT_FALSE(win.getVideoFormat(&h));
    EXPECT_FALSE(win.driverConnect(99));
    const int n = static_cast<int>(listDrivers().size()) - 1;
    ASSERT_TRUE(win.driverConnect(n));
    ASSERT_TRUE(win.getVideoFormat(&h));
    EXPECT_EQ(h.biWidth, 320);
    EXPECT_EQ(h.biHeight, 240);
    EXPECT_TRUE(win.grabFrameNoStop());
    EXPECT_EQ(win.currentImage().size(), QSize(320, 240));

    BitmapInfoHeader big = h;
    big.biWidth = 640;
    big.biHeight = 480;
    EXPECT_FALSE(win.setVideoFormat(big));  // refused by the device
    ASSERT_TRUE(win.getVideoFormat(&h));
    EXPECT_EQ(h.biWidth, 320);  // the old format is back
    big.biWidth = 176;
    big.biHeight = 144;
    ASSERT_TRUE(win.setVideoFormat(big));
    EXPECT_TRUE(win.grabFrameNoStop());
    EXPECT_EQ(win.currentImage().size(), QSize(176, 144));

    CaptureParms parms;
    ASSERT_TRUE(win.getCaptureParms(&parms));
    parms.microSecPerFrame = 0;
    EXPECT_FALSE(win.setCaptureParms(parms));
    EXPECT_FALSE(win.setPreviewRate(0));
    WaveFormat silent;
    silent.channels = 0;
    silent.recompute();
    EXPECT_FALSE(win.setAudioFormat(silent));
    EXPECT_TRUE(win.driverDisconnect());
    EXPECT_FALSE(win.grabFrameNoStop());
}

TEST(CaptureWindow, RatesSettleOnWhatTheDeviceOffers) {
    CameraEnv env("1");
    QWidget parent;
    CaptureWindow win(&parent);
    ASSERT_TRUE(win.driverConnect(static_cast<int>(listDrivers().size()) - 1));
    CaptureParms parms;
    ASSERT_TRUE(win.getCaptureParms(&parms));
    // 15 a second is offered as asked; 200 a second is past the camera's
    // fastest (60), so captures run at 60 and the parameters say so.
    parms.microSecPerFrame = 66666;
    ASSERT_TRUE(win.setCaptureParms(parms));
    ASSERT_TRUE(win.getCaptureParms(&parms));
    EXPECT_EQ(parms.microSecPerFrame, 66666u);
    parms.microSecPerFrame = 5000;
    ASSERT_TRUE(win.setCaptureParms(parms));
    ASSERT_TRUE(win.getCaptureParms(&parms));
    EXPECT_EQ(parms.microSecPerFrame, 16667u);
    EXPECT_TRUE(win.grabFrameNoStop());
    // A new size keeps the settled rate.
    BitmapInfoHeader h;
    ASSERT_TRUE(win.getVideoFormat(&h));
    h.biWidth = 160;
    h.biHeight = 120;
    ASSERT_TRUE(win.setVideoFormat(h));
    ASSERT_TRUE(win.getCaptureParms(&parms));
    EXPECT_EQ(parms.microSecPerFrame, 16667u);

    // The format dialog offers the rates of the size chosen in it.
    QStringList offered;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* sizes = dialog->findChild<QComboBox*>("FrameSize");
        auto* rates = dialog->findChild<QComboBox*>("FrameRate");
        ASSERT_TRUE(sizes && rates);
        sizes->setCurrentIndex(sizes->findText("320 x 240"));
        for (int i = 0; i < rates->count(); ++i) {
            offered << rates->itemText(i);
        }
        rates->setCurrentIndex(rates->findText("15 frames/s"));
        dialog->accept();
    });
    EXPECT_EQ(win.dlgVideoFormat(), 1);
    EXPECT_EQ(offered, (QStringList{"60 frames/s", "30 frames/s", "25 frames/s", "20 frames/s",
                                    "15 frames/s", "10 frames/s", "5 frames/s"}));
    ASSERT_TRUE(win.getVideoFormat(&h));
    EXPECT_EQ(h.biWidth, 320);
    ASSERT_TRUE(win.getCaptureParms(&parms));
    EXPECT_EQ(parms.microSecPerFrame, 66667u);
}

}  // namespace
}  // namespace brindle::vfw
