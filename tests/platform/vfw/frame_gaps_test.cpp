// Frames lost by a camera: counted from the gaps in its frame times, alone
// and in a capture from a synthetic camera that loses every fifth frame.
#include "platform/vfw/frame_gaps.h"
#include "platform/vfw/capture_window.h"
#include "platform/vfw/frame_stamp.h"
#include "tests/support/avi_fixtures.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace brindle::vfw {
namespace {

TEST(FrameGaps, CountsWholePeriodsMissingAndIgnoresJitter) {
    FrameGaps gaps;
    gaps.reset(66666);
    EXPECT_EQ(gaps.frameAt(0), 0u);
    EXPECT_EQ(gaps.frameAt(66666), 0u);
    EXPECT_EQ(gaps.frameAt(133332 + 20000), 0u);          // late by less than half a period
    EXPECT_EQ(gaps.frameAt(153332 + 66666 * 3), 2u);      // two frames missing
    EXPECT_EQ(gaps.frameAt(353330 + 66666 + 40000), 1u);  // 1.6 periods: one missing
    EXPECT_EQ(gaps.lost(), 3u);
    // Times that run backwards or repeat start afresh; nothing is counted.
    EXPECT_EQ(gaps.frameAt(1000), 0u);
    EXPECT_EQ(gaps.frameAt(1000), 0u);
    EXPECT_EQ(gaps.frameAt(1000 + 66666), 0u);
    // A device stopped for hours is counted in 32 bits, not wrapped.
    EXPECT_EQ(gaps.frameAt(std::int64_t(1) << 60), 0x7fffffffu);
    gaps.reset(0);  // no period known: nothing is counted
    EXPECT_EQ(gaps.frameAt(0), 0u);
    EXPECT_EQ(gaps.frameAt(10000000), 0u);
    EXPECT_EQ(gaps.lost(), 0u);
}

TEST(FrameGaps, ACaptureReportsTheFramesTheCameraLost) {
    qputenv("BRINDLE_TEST_CAMERA", "1");
    qputenv("BRINDLE_TEST_CAMERA_LOSE", "5");
    QTemporaryDir dir;
    const QString path = dir.filePath("lossy.avi");
    {
        QWidget parent;
        CaptureWindow win(&parent);
        ASSERT_TRUE(win.driverConnect(static_cast<int>(listDrivers().size()) - 1));
        CaptureParms parms;
        win.getCaptureParms(&parms);
        parms.microSecPerFrame = 66666;
        parms.captureAudio = false;
        parms.limitEnabled = true;
        parms.timeLimitSec = 2;
        ASSERT_TRUE(win.setCaptureParms(parms));
        ASSERT_TRUE(win.setCaptureFile(path));
        QString closing;
        win.setStatusCallback([&closing](int id, const QString& text) {
            if (id == CaptureWindow::kStatusEnd) {
                closing = text;
            }
        });
        ASSERT_TRUE(win.captureSequence());  // returns when the limit ends it
        const CaptureStatus status = win.status();
        // The counters in the file show which frames never came.
        const test::ClipInfo clip = test::readClip(path);
        ASSERT_TRUE(clip.ok);
        ASSERT_GE(clip.frames(), 10);
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        for (std::int64_t i = 0; i < clip.frames(); ++i) {
            int w = 0;
            const std::vector<std::uint8_t> bgr = test::decodeFrameBgr(path, i, &w);
            std::vector<std::uint8_t> luma(bgr.size() / 3);
            for (std::size_t p = 0; p < luma.size(); ++p) {
                luma[p] = bgr[p * 3];
            }
            const std::uint32_t n = readFrameNumber(luma.data(), w);
            (i == 0 ? first : last) = n;
            EXPECT_NE(n % 5, 4u) << "every fifth frame is lost";
        }
        const std::uint32_t missing = last - first + 1 - std::uint32_t(clip.frames());
        EXPECT_GE(missing, 4u);
        EXPECT_EQ(status.videoFramesDropped, missing);
        EXPECT_EQ(status.currentVideoFrame, std::uint32_t(clip.frames()));
        EXPECT_TRUE(closing.contains(QStringLiteral("(%1 dropped)").arg(missing)))
            << closing.toStdString();
    }
    qunsetenv("BRINDLE_TEST_CAMERA");
    qunsetenv("BRINDLE_TEST_CAMERA_LOSE");
}

}  // namespace
}  // namespace brindle::vfw
