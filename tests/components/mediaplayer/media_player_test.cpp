// The playback window as the dialogs drive it: open, length and position in
// both time formats, play to the end, stop, seek, close; and the sound clock.
#include "components/mediaplayer/media_player.h"
#include "components/mediaplayer/audio_playback.h"

#include "tests/support/media_fixture.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace brindle {
namespace {

bool soundServerRunning() {
    AudioOutput out;
    return out.open(8000, 1, "probe");
}

TEST(MediaPlayer, OpensAClipStoppedAtItsStartWithItsFirstPicture) {
    test::TempEnv env;
    const QString path = env.file("capture.avi");
    ASSERT_TRUE(test::makeClip(path, "mpeg4", 160, 120, 2.0, "pcm_s16le"));
    MediaPlayer player;
    QSignalSpy modes(&player, &MediaPlayer::modeChanged);
    ASSERT_TRUE(player.open(path));
    EXPECT_EQ(player.modeName(), "stopped");
    ASSERT_EQ(modes.count(), 1);
    EXPECT_EQ(modes.at(0).at(0).toString(), "stopped");
    EXPECT_NEAR(player.length(), 2000, 70);
    EXPECT_EQ(player.position(), 0);
    EXPECT_EQ(player.image().size(), QSize(160, 120));

    player.setTimeFormat(MediaPlayer::TimeFormat::Frames);
    EXPECT_EQ(player.length(), 30);
    player.setPosition(10);
    EXPECT_EQ(player.position(), 10);
    EXPECT_NEAR(player.positionMs(), 667, 1);
    player.setTimeFormat(MediaPlayer::TimeFormat::Milliseconds);
    EXPECT_NEAR(player.position(), 667, 1);

    EXPECT_TRUE(player.command("Close"));
    EXPECT_EQ(player.modeName(), "not ready");
    EXPECT_EQ(player.length(), 0);
    EXPECT_TRUE(player.image().isNull());
    EXPECT_FALSE(player.command("record"));
}

TEST(MediaPlayer, DisplaySettingsChangeWhatIsDrawn) {
    test::TempEnv env;
    const QString path = env.file("take.avi");
    ASSERT_TRUE(test::makeClip(path, "mpeg4", 160, 120, 1.0, "pcm_s16le"));
    MediaPlayer player;
    player.resize(320, 240);
    ASSERT_TRUE(player.open(path));
    // By default the picture fills the window and nothing is written on it.
    EXPECT_TRUE(player.scaled());
    EXPECT_FALSE(player.showPosition());
    EXPECT_FALSE(player.showName());
    EXPECT_EQ(player.pictureRect(), QRect(0, 0, 320, 240));
    const QImage plain = player.grab().toImage();

    player.setScaled(false);
    EXPECT_EQ(player.pictureRect(), QRect(80, 60, 160, 120));
    EXPECT_EQ(player.grab().toImage().pixelColor(10, 10), QColor(Qt::black));
    player.setScaled(true);

    // The name over the top left corner, the position over the bottom left.
    player.setShowName(true);
    const QImage named = player.grab().toImage();
    EXPECT_NE(named.copy(0, 0, 160, 24), plain.copy(0, 0, 160, 24));
    EXPECT_EQ(named.copy(0, 200, 160, 40), plain.copy(0, 200, 160, 40));
    player.setShowName(false);
    player.setShowPosition(true);
    const QImage timed = player.grab().toImage();
    EXPECT_NE(timed.copy(0, 200, 160, 40), plain.copy(0, 200, 160, 40));
    EXPECT_EQ(timed.copy(0, 0, 160, 24), plain.copy(0, 0, 160, 24));
}

TEST(MediaPlayer, RefusesMissingAndBrokenFiles) {
    test::TempEnv env;
    MediaPlayer player;
    EXPECT_FALSE(player.open(env.file("missing.avi")));
    EXPECT_FALSE(player.open(env.write("broken.avi", QByteArray("RIFF\x10\0\0\0AVI LIST", 16))));
    EXPECT_EQ(player.mode(), MediaPlayer::Mode::NotReady);
    player.play();  // nothing to play: no change, no crash
    EXPECT_EQ(player.mode(), MediaPlayer::Mode::NotReady);
}

// Plays to the end; with a sound server the sound is heard and is the clock,
// without one the system clock stands in.
void playsToTheEnd(const QString& path, std::int64_t lengthMs) {
    MediaPlayer player;
    ASSERT_TRUE(player.open(path));
    QSignalSpy modes(&player, &MediaPlayer::modeChanged);
    QSignalSpy positions(&player, &MediaPlayer::positionChanged);
    QElapsedTimer wall;
    wall.start();
    EXPECT_TRUE(player.command("play"));
    EXPECT_EQ(player.modeName(), "playing");
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.mode() == MediaPlayer::Mode::Stopped; },
                                lengthMs + 5000));
    EXPECT_GE(wall.elapsed(), lengthMs - 100);
    ASSERT_GE(modes.count(), 2);
    EXPECT_EQ(modes.last().at(0).toString(), "stopped");
    ASSERT_GT(positions.count(), 5);
    std::int64_t last = -1;
    for (const QList<QVariant>& p : positions) {
        EXPECT_GE(p.at(0).toLongLong(), last);
        last = p.at(0).toLongLong();
    }
    EXPECT_EQ(last, player.length());
    EXPECT_EQ(player.position(), player.length());
}

TEST(MediaPlayer, PlaysAClipToItsEndAndReportsTheWay) {
    test::TempEnv env;
    const QString path = env.file("clip.avi");
    ASSERT_TRUE(test::makeClip(path, "mpeg4", 160, 120, 1.0, "pcm_s16le"));
    playsToTheEnd(path, 1000);
}

TEST(MediaPlayer, PlaysRealAudio10ThroughTheSoundServer) {
    if (!soundServerRunning()) {
        GTEST_SKIP() << "no PulseAudio server (scripts/run-tests.sh starts one)";
    }
    test::TempEnv env;
    const QString path = env.file("audios.rm");
    ASSERT_TRUE(test::makeTone(path, "real_144", 1.0));
    playsToTheEnd(path, 1000);
}

TEST(MediaPlayer, StopKeepsThePositionAndPlayGoesOnFromIt) {
    test::TempEnv env;
    const QString path = env.file("clip.avi");
    ASSERT_TRUE(test::makeClip(path, "mpeg4", 160, 120, 3.0, "pcm_s16le"));
    MediaPlayer player;
    ASSERT_TRUE(player.open(path));
    player.setPosition(1000);
    player.play();
    // A sound server may take a moment to start; the clock waits for it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.position() >= 1300; }, 4000));
    player.stop();
    const std::int64_t stopped = player.position();
    EXPECT_LE(stopped, 2000);
    EXPECT_EQ(player.modeName(), "stopped");
    QTest::qWait(200);
    EXPECT_EQ(player.position(), stopped);
    player.play();
    EXPECT_GE(player.position(), stopped);
    EXPECT_LT(player.position(), stopped + 100);
    // A seek while playing keeps playing from the new place.
    player.setPosition(200);
    EXPECT_EQ(player.modeName(), "playing");
    EXPECT_LT(player.position(), 600);
    player.pause();
    EXPECT_EQ(player.modeName(), "paused");
    const std::int64_t paused = player.position();
    QTest::qWait(250);
    EXPECT_NEAR(player.position(), paused, 20);
    player.command("resume");
    EXPECT_EQ(player.modeName(), "playing");
}

TEST(AudioPlayback, TheSoundIsTheClock) {
    if (!soundServerRunning()) {
        GTEST_SKIP() << "no PulseAudio server (scripts/run-tests.sh starts one)";
    }
    // Two seconds of silence at 8000 Hz: the clock follows what the server
    // has played, which runs at the wall clock's pace on a null sink.
    auto left = std::make_shared<int>(16000);
    AudioPlayback playback;
    playback.start(
        [left](float* out, int frames) {
            const int n = std::min(frames, *left);
            std::fill(out, out + n, 0.0f);
            *left -= n;
            return n;
        },
        8000, 1, 5000);
    EXPECT_TRUE(playback.isAudible());
    // Nothing is counted before the server plays; then the clock keeps the
    // pace of the sound.
    EXPECT_EQ(playback.positionMs(), 5000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.positionMs() > 5100; }, 4000));
    QElapsedTimer wall;
    wall.start();
    const std::int64_t first = playback.positionMs();
    QTest::qWait(500);
    EXPECT_NEAR(playback.positionMs() - first, wall.elapsed(), 120);
    playback.setPaused(true);
    const std::int64_t held = playback.positionMs();
    QTest::qWait(300);
    EXPECT_NEAR(playback.positionMs(), held, 30);
    playback.setPaused(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return playback.soundEnded(); }, 4000));
    EXPECT_NEAR(playback.positionMs(), 7000, 300);
    playback.stop();
}

}  // namespace
}  // namespace brindle
