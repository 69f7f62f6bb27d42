// Recording and playback through a real PulseAudio server: the one the test
// script starts (a null sink whose monitor is the default source), and for
// the server-loss case a private one that the test kills.
#include "controls/audiocap/sonteval_ids.h"
#include "controls/audiocap/sound_stream.h"
#include "platform/dispatch/control_host.h"
#include "tests/controls/audiocap/sound_fixtures.h"
#include "tests/support/media_fixture.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <functional>

namespace brindle::sonteval {
namespace {

using test::PrivateServer;
using test::serverRunning;
using test::settle;
using test::waitFor;

using dispatch::ControlHost;

struct Event {
    int id;
    QVariantList args;
};

class SontevalDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!serverRunning()) {
            GTEST_SKIP() << "no PulseAudio server (scripts/run-tests.sh starts one)";
        }
        host = ControlHost::load(kControlName, &window);
        ASSERT_TRUE(host);
        QObject::connect(host.get(), &ControlHost::event, [this](int id, const QVariantList& args) {
            events.push_back({id, args});
        });
    }
    void TearDown() override {
        if (player.state() != QProcess::NotRunning) {
            player.kill();
            player.waitForFinished(2000);
        }
    }

    int count(int id) const {
        int n = 0;
        for (const Event& e : events) {
            n += e.id == id;
        }
        return n;
    }
    const Event* last(int id) const {
        for (auto it = events.rbegin(); it != events.rend(); ++it) {
            if (it->id == id) {
                return &*it;
            }
        }
        return nullptr;
    }
    QString toneFile(const QString& name, double seconds, double hz = 1000) {
        test::WavSpec spec;
        spec.frames = static_cast<std::int64_t>(seconds * 22050);
        spec.sample = test::sine(hz, 22050);
        return env.write(name, test::makeWav(spec));
    }
    int length() { return host->get(DispLength).value.toInt(); }

    test::TempEnv env;
    QWidget window;
    std::unique_ptr<ControlHost> host;
    std::vector<Event> events;
    QProcess player;
};

TEST_F(SontevalDeviceTest, RecordsAToneFromTheNullSinksMonitor) {
    player.start(QStringLiteral("paplay"), {toneFile("tone.wav", 5.0)});
    ASSERT_TRUE(player.waitForStarted(5000));
    settle(300);
    // Stopped from the event, as the recording dialog does.
    int positionAtStop = -1;
    host->onEvent(EventRecordProgress, [&](const QVariantList& a) {
        if (a.value(2).toInt() >= 3000 && positionAtStop < 0) {
            positionAtStop = host->get(DispCurrentPosition).value.toInt();
            host->call(DispStop);
        }
    });
    ASSERT_TRUE(host->call(DispRecord).ok());
    EXPECT_TRUE(host->call(DispRecord).ok()) << "Record while recording does nothing";
    ASSERT_TRUE(waitFor([&] { return positionAtStop >= 0; }, 10000));
    EXPECT_GE(positionAtStop, 3000);

    EXPECT_EQ(host->get(DispStatus).value.toInt(), kStatusStopped);
    EXPECT_EQ(count(EventRecordStart), 1);
    ASSERT_TRUE(waitFor([&] { return count(EventRecordStop) == 1; }, 2000));
    // Every progress event carried the tone's level.
    EXPECT_GT(last(EventRecordProgress)->args.value(0).toInt(), 50);
    EXPECT_EQ(last(EventRecordProgress)->args.value(1).toInt(), 0);

    // 3 s within one buffer (100 ms), as recorded and as saved.
    EXPECT_NEAR(length(), 3000, 100);
    ASSERT_TRUE(host->call(DispSave, {env.file("take.wav")}).ok());
    const StreamPtr saved = readSoundFile(QFile::encodeName(env.file("take.wav")).toStdString());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->format(), wave::Format::pcm(1, 22050, 16));
    EXPECT_NEAR(saved->lengthMs(), 3000, 100);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(saved->length()));
    saved->read(0, saved->length(), reinterpret_cast<std::uint8_t*>(samples.data()));
    EXPECT_NEAR(test::dominantHz(samples.data(), samples.size(), 22050), 1000, 10);

    // The scratch file is an AVI with that one PCM stream.
    const QString scratch = host->get(DispScratchFileName).value.toString();
    EXPECT_EQ(test::probe(scratch, "format=format_name"), "avi");
    EXPECT_EQ(test::probe(scratch, "stream=codec_name"), "pcm_s16le");
}

TEST_F(SontevalDeviceTest, LengthLimitStopsTheRecording) {
    host->call(DispSetFileSizeUpperLimit, {0, 500});
    ASSERT_TRUE(host->call(DispRecord).ok());
    ASSERT_TRUE(waitFor([&] { return count(EventRecordStop) == 1; }, 5000));
    // Stopped at the first buffer at or past 500 ms: that buffer is written.
    EXPECT_GE(length(), 500);
    EXPECT_LE(length(), 700);
    EXPECT_EQ(host->get(DispStatus).value.toInt(), kStatusStopped);
}

TEST_F(SontevalDeviceTest, PausedRecordingKeepsOnlyWhatWasHeard) {
    ASSERT_TRUE(host->call(DispRecord).ok());
    ASSERT_TRUE(waitFor([&] { return count(EventRecordProgress) >= 5; }, 5000));
    host->call(DispPause);
    EXPECT_EQ(host->get(DispStatus).value.toInt(), kStatusPaused);
    settle(150);
    const int atPause = host->get(DispCurrentPosition).value.toInt();
    const int progressAtPause = count(EventRecordProgress);
    settle(700);
    EXPECT_EQ(host->get(DispCurrentPosition).value.toInt(), atPause) << "time stands while paused";
    EXPECT_EQ(count(EventRecordProgress), progressAtPause);
    host->call(DispPause);
    ASSERT_TRUE(waitFor([&] { return count(EventRecordProgress) >= progressAtPause + 3; }, 5000));
    const int beforeStop = host->get(DispCurrentPosition).value.toInt();
    host->call(DispStop);
    // The take holds what was recorded, not the pause: whole buffers only.
    EXPECT_LE(length(), beforeStop + 100);
    EXPECT_GE(length(), beforeStop - 100);
}

TEST_F(SontevalDeviceTest, PlaysToTheEndAndReportsStop) {
    ASSERT_TRUE(host->call(DispOpenFile, {toneFile("short.wav", 0.6)}).ok());
    ASSERT_TRUE(host->call(DispPlay).ok());
    EXPECT_EQ(host->get(DispStatus).value.toInt(), kStatusPlaying);
    EXPECT_EQ(host->call(DispRecord).code, kErrPlaying);
    ASSERT_TRUE(waitFor([&] { return count(EventPlayStop) == 1; }, 5000));
    EXPECT_EQ(count(EventPlayStart), 1);
    EXPECT_GE(count(EventPlayProgress), 3);
    int previous = -1;
    for (const Event& e : events) {
        if (e.id == EventPlayProgress) {
            EXPECT_GT(e.args.value(2).toInt(), previous);
            previous = e.args.value(2).toInt();
            EXPECT_GT(e.args.value(0).toInt(), 50);
        }
    }
    EXPECT_EQ(host->get(DispStatus).value.toInt(), kStatusStopped);
    EXPECT_EQ(host->get(DispCurrentPosition).value.toInt(), 0);
    settle(200);
    EXPECT_EQ(count(EventPlayStop), 1) << "PlayStop once";
}

TEST_F(SontevalDeviceTest, SeekWhilePausedStaysPausedThenResumesThere) {
    ASSERT_TRUE(host->call(DispOpenFile, {toneFile("long.wav", 4.0)}).ok());
    ASSERT_TRUE(host->call(DispPlay).ok());
    ASSERT_TRUE(waitFor([&] { return count(EventPlayProgress) >= 2; }, 3000));
    host->call(DispPause);
    EXPECT_EQ(host->get(DispStatus).value.toInt(), kStatusPaused);
    ASSERT_TRUE(host->call(DispSeek, {3000, 0}).ok());
    settle(100);
    const int before = count(EventPlayProgress);
    settle(400);
    EXPECT_EQ(count(EventPlayProgress), before) << "paused: nothing plays";
    ASSERT_TRUE(host->call(DispPlay).ok());  // resumes
    ASSERT_TRUE(waitFor([&] { return count(EventPlayProgress) > before; }, 3000));
    EXPECT_GE(last(EventPlayProgress)->args.value(2).toInt(), 3000);
    EXPECT_LE(last(EventPlayProgress)->args.value(2).toInt(), 4000);
    ASSERT_TRUE(waitFor([&] { return count(EventPlayStop) == 1; }, 5000));
}

TEST_F(SontevalDeviceTest, ServerKilledMidRecordingKeepsWhatWasRecorded) {
    PrivateServer server;
    if (!server.start()) {
        GTEST_SKIP() << "cannot start a private PulseAudio server";
    }
    const QByteArray shared = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", server.address().toUtf8());
    settle(200);
    const dispatch::DispResult started = host->call(DispRecord);
    ASSERT_TRUE(started.ok());
    ASSERT_TRUE(waitFor([&] { return count(EventRecordProgress) >= 5; }, 5000));
    server.kill();
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(waitFor([&] { return count(EventRecordError) == 1; }, 5000));
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_EQ(last(EventRecordError)->args.value(0).toInt(), kErrWrite);
    ASSERT_TRUE(waitFor([&] { return count(EventRecordStop) == 1; }, 2000));

    // What was recorded is the open stream, and its scratch file is whole.
    EXPECT_GE(length(), 400);
    const QString scratch = host->get(DispScratchFileName).value.toString();
    EXPECT_EQ(test::probe(scratch, "stream=codec_name"), "pcm_s16le");
    ASSERT_TRUE(host->call(DispSave, {env.file("kept.wav")}).ok());
    EXPECT_FALSE(test::probe(env.file("kept.wav"), "format=duration").isEmpty());

    // Without a server, Record fails at once and the control stays usable.
    t.restart();
    EXPECT_EQ(host->call(DispRecord).code, kErrBusy);
    EXPECT_EQ(host->call(DispOpenFile, {env.file("kept.wav")}).code, 0);
    EXPECT_LT(t.elapsed(), 3000);
    qputenv("PULSE_SERVER", shared);
}

}  // namespace
}  // namespace brindle::sonteval

namespace brindle::sonteval {
namespace {

TEST(SontevalServerTest, AServerThatDoesNotAnswerFailsRecordInTime) {
    test::PrivateServer server;
    if (!server.start()) {
        GTEST_SKIP() << "cannot start a private PulseAudio server";
    }
    const QByteArray shared = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", server.address().toUtf8());
    QWidget window;
    auto host = ControlHost::load(kControlName, &window);
    ASSERT_TRUE(host);
    server.freeze();
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(host->call(DispRecord).code, kErrBusy);
    EXPECT_LT(t.elapsed(), 8000);
    server.thaw();
    EXPECT_EQ(host->get(DispLength).code, kErrNoLength);
    qputenv("PULSE_SERVER", shared);
}

}  // namespace
}  // namespace brindle::sonteval
