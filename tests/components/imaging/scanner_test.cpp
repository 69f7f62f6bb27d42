// The scanner operations against SANE's own test devices through the real
// library: the source list as scanimage shows it, pages compared with what
// scanimage scans, the failures the test backend injects, cancelling a
// slow scan and refusing oversized pages.
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "components/imaging/scan_job.h"
#include "components/imaging/scanner.h"
#include "tests/support/sane_env.h"

namespace brindle {
namespace {

// scanimage's page for the same settings, read back by Qt's PNM reader.
QImage scanimagePage(const QStringList& args) {
    QProcess p;
    p.start("scanimage", QStringList{"--format=pnm"} + args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        return {};
    }
    return QImage::fromData(p.readAllStandardOutput(), "PPM");
}

// The largest difference of any channel of two same-sized 24-bit pictures;
// 256 when the sizes differ.
int largestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return 256;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    int most = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int i = 0; i < x.width() * 3; ++i) {
            most = std::max(most, std::abs(x.constScanLine(row)[i] - y.constScanLine(row)[i]));
        }
    }
    return most;
}

ScannedPage scan(const QString& device, const ScanSettings& settings) {
    ScanCancel cancel;
    return acquirePage(device, settings, cancel);
}

class ScannerTest : public ::testing::Test {
protected:
    test::SaneTestDevices devices;
};

TEST_F(ScannerTest, ListsTheSourcesScanimageLists) {
    QProcess p;
    p.start("scanimage", {"-L"});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString listed = QString::fromUtf8(p.readAllStandardOutput());
    QStringList expected;
    static const QRegularExpression line("device `([^']+)' is a (.*)");
    for (const QString& l : listed.split('\n', Qt::SkipEmptyParts)) {
        const auto m = line.match(l);
        if (m.hasMatch()) {
            expected << m.captured(1) + '=' + m.captured(2);
        }
    }
    ASSERT_EQ(expected.size(), 2) << listed.toStdString();

    const std::vector<ScanSource> sources = listScanSources();
    QStringList actual;
    for (const ScanSource& s : sources) {
        // Both test devices share vendor and model, so the device name is
        // appended to tell them apart.
        QString label = s.label;
        label.remove(" (" + s.device + ')');
        actual << s.device + '=' + label;
        // scanimage adds the device type after vendor and model.
        const int at = actual.size() - 1;
        if (at < expected.size() && expected[at].startsWith(actual[at] + ' ')) {
            expected[at] = actual[at];
        }
        EXPECT_TRUE(s.label.endsWith('(' + s.device + ')')) << s.label.toStdString();
    }
    EXPECT_EQ(actual, expected);
}

TEST_F(ScannerTest, NoSourcesWithoutBackends) {
    devices.removeBackends();
    EXPECT_TRUE(listScanSources().empty());
}

TEST_F(ScannerTest, ColourPageMatchesScanimageAtTheChosenResolution) {
    const ScannedPage page = scan("test:0", {{}, false, 150});
    ASSERT_EQ(page.status, ScanStatus::Ok) << scanStatusText(page.status).toStdString();
    EXPECT_EQ(page.image.format(), QImage::Format_RGB888);
    EXPECT_EQ(page.image.size(),
              QSize(test::testPagePixels(80, 150), test::testPagePixels(100, 150)));

    const QImage reference =
        scanimagePage({"-d", "test:0", "--mode", "Color", "--resolution", "150"});
    ASSERT_FALSE(reference.isNull());
    EXPECT_EQ(page.image, reference.convertToFormat(QImage::Format_RGB888));
}

TEST_F(ScannerTest, GreyPageComesAsColourWithEqualChannels) {
    const ScannedPage page = scan("test:1", {{}, true, 60});
    ASSERT_EQ(page.status, ScanStatus::Ok);
    EXPECT_EQ(page.image.format(), QImage::Format_RGB888);
    EXPECT_EQ(page.image.width(), test::testPagePixels(80, 60));
    const QImage reference =
        scanimagePage({"-d", "test:1", "--mode", "Gray", "--resolution", "60"});
    ASSERT_FALSE(reference.isNull());
    EXPECT_EQ(page.image, reference.convertToFormat(QImage::Format_RGB888));
}

TEST_F(ScannerTest, SixteenBitAndThreePassPagesMatchScanimage) {
    devices.set("depth", "16");
    const ScannedPage sixteen = scan("test:0", {{}, false, 40});
    ASSERT_EQ(sixteen.status, ScanStatus::Ok);
    const QImage reference16 =
        scanimagePage({"-d", "test:0", "--mode", "Color", "--resolution", "40"});
    ASSERT_FALSE(reference16.isNull());
    // The high byte of each sample, against the reader's rounding.
    EXPECT_LE(largestDifference(sixteen.image, reference16), 1);

    devices.set("depth", "8");
    const ScannedPage eight = scan("test:0", {{}, false, 40});
    ASSERT_EQ(eight.status, ScanStatus::Ok);
    devices.set("three-pass", "true");
    const ScannedPage threePass = scan("test:0", {{}, false, 40});
    ASSERT_EQ(threePass.status, ScanStatus::Ok);
    EXPECT_EQ(threePass.image, eight.image);
}

TEST_F(ScannerTest, HandHeldDeviceOfUnknownLength) {
    devices.set("hand-scanner", "true");
    const ScannedPage page = scan("test:0", {{}, false, 50});
    ASSERT_EQ(page.status, ScanStatus::Ok) << scanStatusText(page.status).toStdString();
    EXPECT_EQ(page.image.width(), test::testPagePixels(110, 50));
    EXPECT_GT(page.image.height(), 0);
}

TEST_F(ScannerTest, CapabilitiesAndNearestResolution) {
    ScanCapabilities c;
    ASSERT_EQ(readCapabilities("test:0", &c), ScanStatus::Ok);
    EXPECT_TRUE(c.hasColor);
    EXPECT_TRUE(c.hasGray);
    EXPECT_EQ(c.sources, QStringList({"Flatbed", "Automatic Document Feeder"}));
    EXPECT_EQ(c.minDpi, 1);
    EXPECT_EQ(c.maxDpi, 1200);
    EXPECT_EQ(c.nearestResolution(150), 150);
    EXPECT_EQ(c.nearestResolution(5000), 1200);

    ScanCapabilities list;
    list.resolutions = {75, 100, 200, 300, 600};
    EXPECT_EQ(list.nearestResolution(150), 100);  // a tie goes to the lower
    EXPECT_EQ(list.nearestResolution(160), 200);
    EXPECT_EQ(list.nearestResolution(10), 75);
    ScanCapabilities stepped;
    stepped.minDpi = 50;
    stepped.maxDpi = 600;
    stepped.stepDpi = 100;
    EXPECT_EQ(stepped.nearestResolution(180), 150);
    EXPECT_EQ(stepped.nearestResolution(600), 550);  // the last step inside the range
    EXPECT_EQ(stepped.nearestResolution(10), 50);
}

TEST_F(ScannerTest, EveryInjectedReadFailureIsReportedWithoutAPicture) {
    const std::pair<const char*, ScanStatus> cases[] = {
        {"SANE_STATUS_JAMMED", ScanStatus::Jammed},
        {"SANE_STATUS_NO_DOCS", ScanStatus::NoDocs},
        {"SANE_STATUS_COVER_OPEN", ScanStatus::CoverOpen},
        {"SANE_STATUS_IO_ERROR", ScanStatus::IoError},
        {"SANE_STATUS_NO_MEM", ScanStatus::NoMemory},
        {"SANE_STATUS_ACCESS_DENIED", ScanStatus::AccessDenied},
        {"SANE_STATUS_EOF", ScanStatus::NoData},
    };
    QSet<QString> texts;
    for (const auto& [code, expected] : cases) {
        SCOPED_TRACE(code);
        devices.set("read-status-code", QString("\"%1\"").arg(code));
        const ScannedPage page = scan("test:0", {{}, false, 50});
        EXPECT_EQ(page.status, expected);
        EXPECT_TRUE(page.image.isNull());
        texts.insert(scanStatusText(page.status));
    }
    EXPECT_EQ(texts.size(), int(std::size(cases)));  // each names its own problem
}

TEST_F(ScannerTest, DeviceThatVanishedAfterListing) {
    ASSERT_EQ(listScanSources().size(), 2u);
    devices.set("number_of_devices", "1");
    const ScannedPage page = scan("test:1", {{}, false, 50});
    EXPECT_EQ(page.status, ScanStatus::DeviceGone);
    EXPECT_EQ(scan("test:0", {{}, false, 50}).status, ScanStatus::Ok);
}

TEST_F(ScannerTest, OversizedPageIsRefusedBeforeReading) {
    // A strip 1 mm wide and 2.2 m long at 1200 dpi: about 104,000 lines.
    devices.set("br_x", "1.0");
    devices.set("br_y", "2200.0");
    QElapsedTimer timer;
    timer.start();
    const ScannedPage page = scan("test:0", {{}, false, 1200});
    EXPECT_EQ(page.status, ScanStatus::PageTooLarge);
    EXPECT_TRUE(page.image.isNull());
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(ScanParameters, EmptyTooLargeAndOddFramesAreRefused) {
    SANE_Parameters p{};
    p.format = SANE_FRAME_RGB;
    p.last_frame = SANE_TRUE;
    p.depth = 8;
    p.pixels_per_line = 0;
    p.lines = 0;
    p.bytes_per_line = 0;
    EXPECT_EQ(checkScanParameters(p), ScanStatus::EmptyPage);
    p.pixels_per_line = 100;
    p.bytes_per_line = 300;
    EXPECT_EQ(checkScanParameters(p), ScanStatus::EmptyPage);  // 0 lines
    p.lines = 100000;
    EXPECT_EQ(checkScanParameters(p), ScanStatus::PageTooLarge);
    p.pixels_per_line = 20000;
    p.bytes_per_line = 60000;
    p.lines = 20000;  // each side allowed, the area not
    EXPECT_EQ(checkScanParameters(p), ScanStatus::PageTooLarge);
    p.pixels_per_line = 100;
    p.lines = 100;
    p.bytes_per_line = 299;  // shorter than its pixels
    EXPECT_EQ(checkScanParameters(p), ScanStatus::Unsupported);
    p.bytes_per_line = 300;
    p.depth = 12;
    EXPECT_EQ(checkScanParameters(p), ScanStatus::Unsupported);
    p.depth = 8;
    p.lines = -1;  // a hand-held device
    EXPECT_EQ(checkScanParameters(p), ScanStatus::Ok);
}

// A slow scan: every read waits 0.2 s and carries one byte.
void makeSlow(test::SaneTestDevices& devices) {
    devices.set("read-limit", "true");
    devices.set("read-limit-size", "1");
    devices.set("read-delay", "true");
    devices.set("read-delay-duration", "200000");
}

TEST_F(ScannerTest, CancelDuringSlowScanAnswersAtOnceAndFreesTheDevice) {
    makeSlow(devices);
    ScanJob job;
    QSignalSpy finished(&job, &ScanJob::finished);
    ASSERT_TRUE(job.start("test:0", {{}, false, 50}));
    QTest::qWait(500);
    ASSERT_TRUE(finished.isEmpty());

    QElapsedTimer timer;
    timer.start();
    job.cancel();
    EXPECT_LT(timer.elapsed(), 100);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].value<ScanStatus>(), ScanStatus::Cancelled);
    EXPECT_FALSE(job.running());
    EXPECT_TRUE(job.image().isNull());

    // The next scan gets the device once the cancelled one has let go.
    devices.set("read-delay", "false");
    devices.set("read-limit", "false");
    ScanJob next;
    QSignalSpy done(&next, &ScanJob::finished);
    ASSERT_TRUE(next.start("test:0", {{}, false, 50}));
    ASSERT_TRUE(done.wait(10000));
    EXPECT_EQ(done[0][0].value<ScanStatus>(), ScanStatus::Ok);
    EXPECT_EQ(next.image().width(), test::testPagePixels(80, 50));
    // The cancelled job reported once only.
    EXPECT_EQ(finished.size(), 1);
}

TEST_F(ScannerTest, JobReportsProgressAndThePage) {
    devices.set("read-limit", "true");
    devices.set("read-limit-size", "4096");
    ScanJob job;
    QSignalSpy progress(&job, &ScanJob::progress);
    QSignalSpy finished(&job, &ScanJob::finished);
    ASSERT_TRUE(job.start("test:0", {{}, false, 100}));
    EXPECT_FALSE(job.start("test:0", {{}, false, 100}));  // one at a time
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(job.status(), ScanStatus::Ok);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last()[0].toInt(), 100);
    for (int i = 1; i < progress.size(); ++i) {
        EXPECT_GE(progress[i][0].toInt(), progress[i - 1][0].toInt());
    }
    EXPECT_EQ(job.image().size(),
              QSize(test::testPagePixels(80, 100), test::testPagePixels(100, 100)));
}

TEST_F(ScannerTest, JobDestroyedWhileScanningDeliversNothing) {
    makeSlow(devices);
    {
        ScanJob job;
        ASSERT_TRUE(job.start("test:0", {{}, false, 50}));
        QTest::qWait(100);
    }
    QTest::qWait(300);  // anything the worker might still post arrives now
    SUCCEED();
}

}  // namespace
}  // namespace brindle
