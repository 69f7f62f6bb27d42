// brindle-cli capture, run as a program against the synthetic camera and
// the test script's PulseAudio; the recordings are read back with FFmpeg
// and cut with brindle-cli cut.
#include "platform/vfw/device_input.h"
#include "platform/vfw/frame_stamp.h"
#include "tests/support/avi_fixtures.h"
#include "tests/support/media_fixture.h"
#include "tests/support/program_run.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace brindle {
namespace {

test::ProgramRun cli(const QStringList& args, int timeoutMs = 60000) {
    return test::runProgram("brindle-cli", args, timeoutMs);
}

bool soundAvailable() {
    vfw::WaveFormat f;
    f.samplesPerSec = 11205;
    f.recompute();
    return vfw::AudioInput::open(f, nullptr) != nullptr;
}

// The synthetic camera's counter in frame n of a clip.
std::uint32_t counterAt(const QString& path, std::int64_t n) {
    int w = 0;
    int h = 0;
    const std::vector<std::uint8_t> bgr = test::decodeFrameBgr(path, n, &w, &h);
    if (bgr.empty()) {
        return 0xffffffffu;
    }
    std::vector<std::uint8_t> luma(static_cast<std::size_t>(w) * h);
    for (std::size_t p = 0; p < luma.size(); ++p) {
        luma[p] = bgr[p * 3];
    }
    return vfw::readFrameNumber(luma.data(), w);
}

class CaptureCliTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("BRINDLE_TEST_CAMERA", "2"); }
    void TearDown() override { qunsetenv("BRINDLE_TEST_CAMERA"); }
    QTemporaryDir dir;
};

TEST_F(CaptureCliTest, ListPrintsTheDrivers) {
    const test::ProgramRun r = cli({"capture", "--list"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    const int n = static_cast<int>(lines.size());
    EXPECT_EQ(lines[n - 2], QStringLiteral("%1\tBrindle Test Camera 1").arg(n - 2));
    EXPECT_EQ(lines[n - 1], QStringLiteral("%1\tBrindle Test Camera 2").arg(n - 1));
}

TEST_F(CaptureCliTest, RefusesBadArgumentsAndUnknownCompressors) {
    EXPECT_EQ(cli({"capture", dir.filePath("a.avi")}).status, 2);
    EXPECT_EQ(cli({"capture", dir.filePath("a.avi"), "--seconds", "0"}).status, 2);
    EXPECT_EQ(cli({"capture", dir.filePath("a.avi"), "--seconds", "1", "--size", "0x9"}).status, 2);
    const test::ProgramRun r =
        cli({"capture", dir.filePath("a.avi"), "--seconds", "1", "--compression", "abcd"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Could not locate or open specified compressor. (141)"))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("a.avi")));
    EXPECT_EQ(cli({"capture", dir.filePath("a.avi"), "--seconds", "1", "--driver", "99"}).status,
              1);
}

TEST_F(CaptureCliTest, FiveSecondsOfMpeg4WithSoundThatCutsFrameExactly) {
    if (!soundAvailable()) {
        GTEST_SKIP() << "no PulseAudio server (scripts/run-tests.sh starts one)";
    }
    const QString path = dir.filePath("five.avi");
    const test::ProgramRun r =
        cli({"capture", path, "--seconds", "5", "--compression", "zq5a", "--size", "320x240"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), path);
    const QStringList codecs = test::probe(path, "stream=codec_name").split('\n');
    EXPECT_EQ(codecs.value(0).trimmed(), "mpeg4");
    EXPECT_EQ(codecs.value(1).trimmed(), "pcm_u8");
    EXPECT_EQ(test::probe(path, "stream=codec_tag_string").split('\n').value(0).trimmed(), "FMP4");
    const test::ClipInfo clip = test::readClip(path);
    ASSERT_TRUE(clip.ok);
    EXPECT_EQ(clip.width, 320);
    EXPECT_EQ(clip.decodedFrames, clip.frames());
    // Five seconds at 15 frames a second. The frame correction leaves one
    // frame of drift either way alone (a sound buffer's jitter), and the
    // take's last sound buffer may come after its last frame: video and
    // sound end within two frames of each other.
    EXPECT_NEAR(double(clip.frames()), 75.0, 5.0);
    const double video = clip.frames() * 0.066666;
    const double sound = double(clip.audioSamples) / 11205.0;
    EXPECT_LE(std::abs(video - sound), 2 * 0.0667)
        << video << " s of video, " << sound << " s of sound";
    // No frame lost: the camera's counter runs on by one from frame to frame.
    // On a busy machine a frame may come late and the frame correction then
    // holds the last one a frame longer to keep step with the sound: the
    // counter repeats, but never skips.
    std::vector<std::uint32_t> counters;
    for (std::int64_t i = 0; i < clip.frames(); ++i) {
        counters.push_back(counterAt(path, i));
    }
    int held = 0;
    for (std::size_t i = 1; i < counters.size(); ++i) {
        if (counters[i] == counters[i - 1]) {
            ++held;
            continue;
        }
        EXPECT_EQ(counters[i], counters[i - 1] + 1) << "at frame " << i;
    }
    EXPECT_LE(held, 3);
    // And the capture's report says so.
    EXPECT_TRUE(r.err.contains("(0 dropped)")) << r.err.toStdString();

    // The clip edit control cuts it to frames 10..40, frame-exactly.
    const test::ProgramRun cut = cli({"cut", path, "10", "40"});
    ASSERT_EQ(cut.status, 0) << cut.err.toStdString();
    const test::ClipInfo trimmed = test::readClip(path);
    ASSERT_TRUE(trimmed.ok);
    EXPECT_EQ(trimmed.frames(), 31);
    EXPECT_EQ(counterAt(path, 0), counters[10]);
    EXPECT_EQ(counterAt(path, 30), counters[40]);
}

TEST_F(CaptureCliTest, FramesTheCameraLosesAreReportedAndFilledIn) {
    if (!soundAvailable()) {
        GTEST_SKIP() << "no PulseAudio server (scripts/run-tests.sh starts one)";
    }
    qputenv("BRINDLE_TEST_CAMERA_LOSE", "5");
    const QString path = dir.filePath("lossy.avi");
    const test::ProgramRun r =
        cli({"capture", path, "--seconds", "3", "--compression", "zq5a", "--size", "160x120"});
    qunsetenv("BRINDLE_TEST_CAMERA_LOSE");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // A fifth of 45 frames never came: the report counts them.
    const QRegularExpression report(QStringLiteral("Captured (\\d+) frames \\((\\d+) dropped\\)"));
    const QRegularExpressionMatch m = report.match(r.err);
    ASSERT_TRUE(m.hasMatch()) << r.err.toStdString();
    const int captured = m.captured(1).toInt();
    const int dropped = m.captured(2).toInt();
    EXPECT_NEAR(captured, 36, 4);
    EXPECT_NEAR(dropped, 9, 3);
    // The sound clock had other frames repeated in their place: the clip
    // still lasts as long as its sound, within the correction's one frame
    // of slack and a loss at the very end that no later frame can fill.
    const test::ClipInfo clip = test::readClip(path);
    ASSERT_TRUE(clip.ok);
    const double video = clip.frames() * 0.066666;
    const double sound = double(clip.audioSamples) / 11205.0;
    EXPECT_LE(std::abs(video - sound), 3 * 0.0667)
        << video << " s of video, " << sound << " s of sound";
    EXPECT_GT(clip.frames(), captured);
}

TEST_F(CaptureCliTest, AFullDiskEndsTheCaptureWithAPlayableFile) {
    if (!soundAvailable()) {
        GTEST_SKIP() << "no PulseAudio server (scripts/run-tests.sh starts one)";
    }
    const QString mount = dir.filePath("disk");
    const QString out = dir.filePath("kept.avi");
    QDir().mkpath(mount);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISK", mount);
    env.insert("OUT", out);
    p.setProcessEnvironment(env);
    // A real, small file system in a private mount namespace; the file is
    // copied out before the namespace ends.
    p.start("unshare", {"-r", "-m", "sh", "-c",
                        "mount -t tmpfs -o size=400k none \"$DISK\" || exit 77; "
                        "\"$0\" capture \"$DISK/full.avi\" --seconds 20 --size 640x480; "
                        "status=$?; cp \"$DISK/full.avi\" \"$OUT\"; exit $status",
                        test::programPath("brindle-cli")});
    if (!p.waitForStarted() || !p.waitForFinished(60000)) {
        GTEST_SKIP() << "unshare is not available";
    }
    if (p.exitCode() == 77 || !QFile::exists(out)) {
        GTEST_SKIP() << "no private mounts here: " << p.readAllStandardError().toStdString();
    }
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("(111)")) << err.toStdString();
    const test::ClipInfo clip = test::readClip(out);
    ASSERT_TRUE(clip.ok);
    EXPECT_GT(clip.frames(), 0);
    EXPECT_LT(clip.frames(), 20 * 15);
    EXPECT_EQ(clip.decodedFrames, clip.frames());
}

}  // namespace
}  // namespace brindle
