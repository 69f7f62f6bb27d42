// brindle-cli record and waveform run as programs.
#include "tests/controls/audiocap/wav_bytes.h"
#include "tests/support/media_fixture.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QProcess>

namespace brindle {
namespace {

bool serverRunning() {
    QProcess p;
    p.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

TEST(SoundCliTest, WaveformDrawsTheSoundAtTheAskedSize) {
    test::TempEnv env;
    test::WavSpec spec;
    spec.frames = 22050 * 5;
    spec.sample = [](std::int64_t, int) { return 20000; };  // a held loud value
    const QString in = env.write("loud.wav", test::makeWav(spec));
    const test::ProgramRun r = test::runProgram(
        "brindle-cli", {"waveform", in, env.file("w.png"), "--width", "300", "--height", "80"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QImage img(env.file("w.png"));
    ASSERT_EQ(img.size(), QSize(300, 80));
    // Bars of 40 * 20000 / 32768 = 24 pixels above the centre line at 40.
    EXPECT_EQ(img.pixelColor(150, 20), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(150, 10), QColor(25, 90, 156));
    EXPECT_EQ(img.pixelColor(150, 60), QColor(25, 90, 156));

    EXPECT_EQ(test::runProgram("brindle-cli",
                               {"waveform", env.write("bad.wav", "RIFF"), env.file("x.png")})
                  .status,
              1);
    EXPECT_EQ(test::runProgram("brindle-cli", {"waveform", in}).status, 2);
}

TEST(SoundCliTest, RecordSavesExactlyTheAskedSeconds) {
    if (!serverRunning()) {
        GTEST_SKIP() << "no PulseAudio server (scripts/run-tests.sh starts one)";
    }
    test::TempEnv env;
    const test::ProgramRun r =
        test::runProgram("brindle-cli", {"record", env.file("r.avi"), "--seconds", "1"}, 30000);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("RecordProgress"));
    EXPECT_EQ(test::probe(env.file("r.avi"), "format=format_name"), "avi");
    EXPECT_EQ(test::probe(env.file("r.avi"), "stream=sample_rate"), "22050");
    EXPECT_NEAR(test::probe(env.file("r.avi"), "format=duration").toDouble(), 1.0, 0.01);
    EXPECT_EQ(test::runProgram("brindle-cli", {"record", env.file("x.wav")}).status, 2);
    EXPECT_EQ(test::runProgram("brindle-cli",
                               {"record", env.file("x.wav"), "--seconds", "1", "--format", "2"})
                  .status,
              2);
}

}  // namespace
}  // namespace brindle
