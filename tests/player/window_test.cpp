// The player's window: a message instead of a crash, play and pause with
// the keyboard, seeking, and the picture following the clock.
#include "player/player_window.h"

#include "tests/player/player_fixture.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QSlider>
#include <QTest>

namespace brindle {
namespace {

TEST(PlayerWindow, ABrokenFileShowsWhyInTheWindow) {
    test::TempEnv env;
    PlayerWindow w;
    w.show();
    EXPECT_FALSE(w.openFile(env.write("broken.smi", "<smil><body><par></smil>")));
    EXPECT_TRUE(w.message().contains("cannot be played"));
    EXPECT_TRUE(w.message().contains("broken.smi"));
    QTest::keyClick(&w, Qt::Key_Space);  // nothing to play: nothing happens
    EXPECT_FALSE(w.isPlaying());
    EXPECT_FALSE(w.findChild<QSlider*>("SeekBar")->isEnabled());
}

TEST(PlayerWindow, SpacePlaysAndPausesAndTheTimeMoves) {
    test::TempEnv env;
    test::writePicture(env, "red.png", {100, 100}, Qt::red);
    const QString smil =
        test::writeSmil(env, "p.smi", "", "<img src=\"red.png\" dur=\"30s\" />\r\n", 100, 100);
    PlayerWindow w;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    ASSERT_TRUE(w.openFile(smil));
    EXPECT_TRUE(w.message().isEmpty());
    auto* time = w.findChild<QLabel*>("Time");
    EXPECT_EQ(time->text(), "0:00 / 0:30");
    QTest::keyClick(&w, Qt::Key_Space);
    EXPECT_TRUE(w.isPlaying());
    QTest::qWait(300);
    QTest::keyClick(&w, Qt::Key_Space);
    EXPECT_FALSE(w.isPlaying());
    const std::int64_t paused = w.positionMs();
    EXPECT_GT(paused, 100);
    QTest::qWait(150);
    EXPECT_EQ(w.positionMs(), paused);
    QTest::keyClick(&w, Qt::Key_Right);
    EXPECT_EQ(w.positionMs(), paused + 5000);
    EXPECT_EQ(time->text(), formatTime(paused + 5000) + " / 0:30");
    w.seek(60000);  // clamped to the end
    EXPECT_EQ(w.positionMs(), 30000);
    QTest::keyClick(&w, Qt::Key_S);
    EXPECT_EQ(w.positionMs(), 0);
    EXPECT_EQ(formatTime(3725000), "1:02:05");
}

TEST(PlayerWindow, MissingStreamsAreNamedWhileTheRestPlays) {
    test::TempEnv env;
    const QString smil = test::writeSmil(env, "p.smi", "", "<video src=\"video1.rm\" />\r\n");
    PlayerWindow w;
    ASSERT_TRUE(w.openFile(smil));
    EXPECT_TRUE(w.message().contains("video1.rm is missing"));
}

}  // namespace
}  // namespace brindle
