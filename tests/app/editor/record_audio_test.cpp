// The audio recording dialog inside a running editor: loading captions,
// the rules of OK, imports and drops, the two-minute limit, and a real
// recording through the null sink.
#include "app/media/record_audio.h"
#include "app/editor/slide_strip.h"
#include "app/editor/strip_state.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "app/present/media_encoding.h"
#include "app/present/pass_progress.h"
#include "app/present/slide_timing.h"
#include "controls/audiocap/sonteval_ids.h"
#include "controls/audiocap/sound_stream.h"
#include "platform/files.h"
#include "tests/app/editor/editor_fixture.h"
#include "tests/controls/audiocap/sound_fixtures.h"
#include "tests/support/hostile_files.h"
#include "tests/support/media_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <sys/resource.h>
#include <csignal>

namespace brindle {
namespace {

using sonteval::DispLength;

using test::serverRunning;

// Points the sound server address somewhere else for one test.
class ServerAddress {
public:
    explicit ServerAddress(const QString& address) : m_old(qgetenv("PULSE_SERVER")) {
        qputenv("PULSE_SERVER", address.toUtf8());
    }
    ~ServerAddress() { qputenv("PULSE_SERVER", m_old); }
    ServerAddress(const ServerAddress&) = delete;
    ServerAddress& operator=(const ServerAddress&) = delete;

private:
    QByteArray m_old;
};

class RecordAudioTest : public test::EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        addWithFilesButton({picture("one.jpg")});
        ASSERT_EQ(gProject.count(), 1);
        gSelectedSlide = 1;
        slide = gProject.Item(1);
        gProjectChanged = false;
    }
    void TearDown() override { EditorFixture::TearDown(); }
    QString wav(const QString& name, double seconds, int channels = 1, int rate = 22050) {
        test::WavSpec spec;
        spec.frames = static_cast<std::int64_t>(seconds * rate);
        spec.channels = channels;
        spec.rate = rate;
        spec.sample = test::sine(1000, rate);
        return env.write("media/" + name, test::makeWav(spec));
    }
    // Gives the slide a WAV caption as an earlier OK would have.
    void giveCaption(const QString& file) {
        ASSERT_TRUE(slide->UpdateSound(file));
        slide->setEncoded(-1);
    }
    template <class W>
    W* child(recordAudio& d, const char* name) {
        W* w = d.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString text(recordAudio& d, const char* name) { return child<QLabel>(d, name)->text(); }
    bool enabled(recordAudio& d, const char* name) { return child<QWidget>(d, name)->isEnabled(); }

    MediaElement* slide = nullptr;
};

TEST_F(RecordAudioTest, EditorOpensTheDialogFromItsCommands) {
    frame->setupContextMenu(1);
    EXPECT_TRUE(frame->item("mnuAudio")->isEnabled());
    EXPECT_TRUE(frame->item("mnuBackTrack")->isEnabled());
    QString length;
    bool recordOn = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<recordAudio*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        length = d->findChild<QLabel*>("Label1")->text();
        recordOn = d->findChild<QToolButton*>("Record")->isEnabled();
        d->findChild<QPushButton*>("Cancel")->click();
    });
    frame->item("mnuAudio")->trigger();
    EXPECT_EQ(length, "Length 0.00 Seconds");
    EXPECT_TRUE(recordOn);
    EXPECT_TRUE(frame->isEnabled()) << "undimmed afterwards";

    bool opened = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<recordAudio*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        opened = true;
        d->findChild<QPushButton*>("Cancel")->click();
    });
    frame->item("mnuBackTrack")->trigger();
    EXPECT_TRUE(opened);
    EXPECT_FALSE(gProjectChanged);

    // The strip's speaker button of the slide opens it too; OK with a
    // recording gives the slide its caption and the button its picture.
    const QString take = wav("take.wav", 1.0);
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<recordAudio*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        ASSERT_TRUE(d->importAudioFile(take));
        d->findChild<QPushButton*>("Done")->click();
    });
    auto* speaker = frame->strip()->findChild<QToolButton*>("ElemAud0");
    ASSERT_NE(speaker, nullptr);
    speaker->click();
    EXPECT_FALSE(slide->Sound.isEmpty());
    EXPECT_EQ(slide->AudioDuration, 1000);
    EXPECT_EQ(speaker->toolTip(), LoadResString(186));
}

TEST_F(RecordAudioTest, WavCaptionIsResavedAsNarrationFormat) {
    giveCaption(wav("stereo.wav", 1.5, 2, 44100));
    const QString captionFile = slide->Sound;
    recordAudio d(frame.get(), slide);
    ASSERT_TRUE(d.hasControl());
    ASSERT_TRUE(d.loadAudioFile(slide->Sound, false));
    EXPECT_EQ(text(d, "Label1"), "Length 1.50 Seconds");
    EXPECT_TRUE(enabled(d, "Play"));
    EXPECT_TRUE(enabled(d, "Erase1"));
    EXPECT_FALSE(enabled(d, "Stop1"));
    child<QPushButton>(d, "Done")->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(slide->Sound, captionFile) << "the caption keeps its file";
    EXPECT_EQ(test::probe(slide->Sound, "stream=sample_rate"), "22050");
    EXPECT_EQ(test::probe(slide->Sound, "stream=channels"), "1");
    EXPECT_EQ(test::probe(slide->Sound, "stream=codec_name"), "pcm_s16le");
    EXPECT_EQ(slide->AudioDuration, 1500);
    EXPECT_FALSE(slide->isEncoded());
    EXPECT_TRUE(gProjectChanged);
}

TEST_F(RecordAudioTest, RealAudioCaptionOpensEmptyAndOkRemovesIt) {
    const QString ra = env.file("media/old.ra");
    ASSERT_TRUE(test::makeTone(ra, "real_144", 1.0));
    ASSERT_TRUE(slide->UpdateSound(ra));
    const QString work = slide->Sound;
    recordAudio d(frame.get(), slide);
    EXPECT_FALSE(d.loadAudioFile(slide->Sound, false));
    EXPECT_FALSE(enabled(d, "Play"));
    EXPECT_FALSE(enabled(d, "Erase1"));
    child<QPushButton>(d, "Done")->click();
    EXPECT_TRUE(slide->Sound.isEmpty());
    EXPECT_FALSE(QFile::exists(work));
}

TEST_F(RecordAudioTest, LabelsShowSecondsAndTheLimitStopsOnce) {
    recordAudio d(frame.get(), slide);
    d.onRecordProgress(40, 0, 3456);
    EXPECT_EQ(text(d, "Label1"), "Length 3.46 Seconds");
    EXPECT_EQ(d.soundLength(), 3456);
    EXPECT_TRUE(messages.numbers().isEmpty());

    // The recorded time is the dialog's clock: it is driven here.
    d.onRecordProgress(40, 0, 119900);
    EXPECT_TRUE(messages.numbers().isEmpty());
    d.onRecordProgress(40, 0, 120000);
    d.onRecordProgress(40, 0, 120100);
    EXPECT_EQ(messages.numbers(), QList<int>{129});
    EXPECT_EQ(messages.requests().at(0).title, gAppTitle);
    EXPECT_TRUE(enabled(d, "Record")) << "the Stop action ran";
    EXPECT_FALSE(enabled(d, "Stop1"));

    // The control's own limit is the same two minutes.
    QVariantList limit{-1, -1};
    d.control()->invoke(sonteval::DispGetFileSizeUpperLimit, dispatch::InvokeKind::Method, limit);
    EXPECT_EQ(limit, (QVariantList{0, 120000}));
    EXPECT_EQ(d.control()->get(sonteval::DispCaptureFormat).value.toInt(), 1);
}

TEST_F(RecordAudioTest, RejectedDropKeepsTheSoundAndShowsMessage67) {
    recordAudio d(frame.get(), slide);
    ASSERT_TRUE(d.importAudioFile(wav("good.wav", 2.0)));
    test::WavSpec lying;
    lying.frames = 100;
    lying.dataSizeDelta = 1 << 20;
    const QString bad = env.write("media/bad.wav", test::makeWav(lying));
    d.dropFile({bad});
    ASSERT_EQ(messages.numbers(), QList<int>{67});
    EXPECT_EQ(messages.requests().at(0).text, LoadResString(67) + bad + ".");
    EXPECT_EQ(d.getLength(), 2000) << "the sound in the dialog stays";
    EXPECT_TRUE(d.hasSound());

    for (const QByteArray& hostile :
         {QByteArray("RIFF"), QByteArray(3000, '\0'), test::makeWav(test::WavSpec{.frames = 0})}) {
        messages.clear();
        d.dropFile({env.write("media/h.wav", hostile)});
        EXPECT_EQ(messages.numbers(), QList<int>{67});
    }
    child<QPushButton>(d, "Done")->click();
    EXPECT_EQ(slide->AudioDuration, 2000);
    EXPECT_EQ(test::probe(slide->Sound, "format=duration"), "2.000000");
}

TEST_F(RecordAudioTest, ASixHourBackgroundTrackIsRefusedAtOnceWithMessage67) {
    recordAudio d(frame.get(), nullptr);
    const QString track = test::hostile::sixHourWav(env.file("media"));
    ASSERT_FALSE(track.isEmpty());
    QElapsedTimer clock;
    clock.start();
    d.dropFile({track});
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(messages.numbers(), QList<int>{67});
    EXPECT_FALSE(d.hasSound());
}

TEST_F(RecordAudioTest, FilesImportsAnySoundAsWav) {
    const QString ac3 = env.file("media/music.ac3");
    ASSERT_TRUE(test::makeTone(ac3, "ac3", 1.0));
    QString filter;
    dialogs.answer([&](const FileDialogRequest& r) {
        filter = r.filter;
        return QStringList{ac3};
    });
    recordAudio d(frame.get(), nullptr);
    d.loadAudioFile(QString(), true);
    child<QPushButton>(d, "Files")->click();
    EXPECT_TRUE(filter.startsWith("Audio (*.wav)"));
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_TRUE(d.hasSound());
    EXPECT_EQ(test::probe(gTempFolder + "/tmp.wav", "format=format_name"), "wav");
    EXPECT_EQ(gImportPath, env.file("media"));
    child<QPushButton>(d, "Done")->click();
    EXPECT_EQ(gBackTrack, gWorkFolder + "/backtrk.wav");
    EXPECT_EQ(test::probe(gBackTrack, "stream=sample_rate"), "22050");
    EXPECT_EQ(gBackTrackType, SoundWave);
    EXPECT_FALSE(gBackTrackEncoded);
    EXPECT_NEAR(gBackTrackDuration, 1000, 50);
}

TEST_F(RecordAudioTest, EraseClearsTheTrackOnlyOnOk) {
    const QString track = wav("track.wav", 1.0);
    gBackTrack = track;
    {
        recordAudio d(frame.get(), nullptr);
        ASSERT_TRUE(d.loadAudioFile(gBackTrack, true));
        child<QPushButton>(d, "Erase1")->click();
        child<QPushButton>(d, "Cancel")->click();
    }
    EXPECT_EQ(gBackTrack, track) << "Cancel hands nothing back";
    recordAudio d(frame.get(), nullptr);
    ASSERT_TRUE(d.loadAudioFile(gBackTrack, true));
    child<QPushButton>(d, "Erase1")->click();
    EXPECT_EQ(text(d, "Label1"), "Length 0.00 Seconds");
    child<QPushButton>(d, "Done")->click();
    EXPECT_TRUE(gBackTrack.isEmpty());
    EXPECT_EQ(gBackTrackDuration, 0);
}

TEST_F(RecordAudioTest, FailedSaveKeepsTheOldCaptionAndShows135) {
    giveCaption(wav("old.wav", 1.0));
    const QByteArray before = test::fileContents(slide->Sound);
    recordAudio d(frame.get(), slide);
    ASSERT_TRUE(d.importAudioFile(wav("new.wav", 3.0)));
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 30000;
    setrlimit(RLIMIT_FSIZE, &small);
    child<QPushButton>(d, "Done")->click();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(messages.numbers(), QList<int>{135});
    EXPECT_EQ(test::fileContents(slide->Sound), before);
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_TRUE(enabled(d, "Done")) << "the dialog stays usable";
}

TEST_F(RecordAudioTest, NoSoundServerGivesMessage136AndAnIdleDialog) {
    ServerAddress nowhere("unix:" + env.file("no-server/native"));
    recordAudio d(frame.get(), slide);
    d.loadAudioFile(QString(), false);
    child<QToolButton>(d, "Record")->click();
    EXPECT_EQ(messages.numbers(), QList<int>{136});
    EXPECT_TRUE(enabled(d, "Record"));
    EXPECT_FALSE(enabled(d, "Stop1"));
    EXPECT_TRUE(enabled(d, "Files"));
    child<QPushButton>(d, "Done")->click();
    EXPECT_TRUE(slide->Sound.isEmpty());
}

TEST_F(RecordAudioTest, ServerKilledWhileRecordingKeepsTheTake) {
    test::PrivateServer server;
    if (!server.start()) {
        GTEST_SKIP() << "cannot start a private PulseAudio server";
    }
    ServerAddress address(server.address());
    recordAudio d(frame.get(), slide);
    d.loadAudioFile(QString(), false);
    child<QToolButton>(d, "Record")->click();
    ASSERT_TRUE(messages.numbers().isEmpty());
    ASSERT_TRUE(test::waitFor([&] { return d.soundLength() >= 500; }, 5000));
    server.kill();
    ASSERT_TRUE(test::waitFor([&] { return !messages.numbers().isEmpty(); }, 5000));
    EXPECT_EQ(messages.numbers(), QList<int>{136});
    test::settle(100);
    EXPECT_TRUE(enabled(d, "Record"));
    EXPECT_TRUE(enabled(d, "Play")) << "what was recorded stays playable";
    EXPECT_GE(d.getLength(), 500);
    child<QPushButton>(d, "Done")->click();
    ASSERT_FALSE(slide->Sound.isEmpty());
    EXPECT_NEAR(slide->AudioDuration, d.soundLength(), 1);
    EXPECT_GE(test::probe(slide->Sound, "format=duration").toDouble(), 0.5);
}

TEST_F(RecordAudioTest, RecordsThreeSecondsOfToneAsTheCaption) {
    if (!serverRunning()) {
        GTEST_SKIP() << "no PulseAudio server (scripts/run-tests.sh starts one)";
    }
    // The narration goes on the second of two slides.
    addWithFilesButton({picture("two.jpg")});
    ASSERT_EQ(gProject.count(), 2);
    slide = gProject.Item(2);
    gSelectedSlide = 2;
    QProcess player;
    player.start("paplay", {wav("tone.wav", 5.0)});
    ASSERT_TRUE(player.waitForStarted(5000));
    QThread::msleep(300);
    recordAudio d(frame.get(), slide);
    d.loadAudioFile(QString(), false);
    // Stop is pressed at the first progress report of 3 s.
    bool stopped = false;
    d.control()->onEvent(sonteval::EventRecordProgress, [&](const QVariantList& a) {
        if (a.value(2).toInt() >= 3000 && !stopped) {
            stopped = true;
            d.findChild<QToolButton*>("Stop1")->click();
        }
    });
    child<QToolButton>(d, "Record")->click();
    EXPECT_FALSE(enabled(d, "Record"));
    EXPECT_TRUE(enabled(d, "Stop1"));
    QElapsedTimer t;
    t.start();
    while (!stopped && t.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ASSERT_TRUE(stopped);
    EXPECT_TRUE(enabled(d, "Play"));
    player.kill();
    player.waitForFinished(2000);
    EXPECT_NEAR(d.getLength(), 3000, 100);
    child<QPushButton>(d, "Done")->click();
    ASSERT_FALSE(slide->Sound.isEmpty());
    EXPECT_NEAR(slide->AudioDuration, 3000, 100);
    EXPECT_NEAR(test::probe(slide->Sound, "format=duration").toDouble(), 3.0, 0.1001)
        << "within one buffer";
    const QByteArray bytes = test::fileContents(slide->Sound);
    const auto* samples = reinterpret_cast<const std::int16_t*>(bytes.constData() + 56);
    EXPECT_NEAR(test::dominantHz(samples, static_cast<std::size_t>(bytes.size() - 56) / 2, 22050),
                1000, 10);

    // The presentation's sound track mixes it in at the second slide's start.
    const std::int32_t start = calculateSlideDuration(1).toInt();
    const std::int32_t total = start + calculateSlideDuration(2).toInt();
    const QString mix = env.file("audios.rm");
    {
        PassProgress silent(true);
        ASSERT_TRUE(encodeAudioTrack(1, 2, total, mix, silent));
    }
    const sonteval::StreamPtr mixed = sonteval::readSoundFile(QFile::encodeName(mix).toStdString());
    ASSERT_TRUE(mixed);
    ASSERT_EQ(mixed->format().bitsPerSample, 16);
    const int rate = static_cast<int>(mixed->format().samplesPerSec);
    // The first channel of [fromMs, fromMs + 2000).
    auto window = [&](std::int64_t fromMs) {
        std::vector<std::int16_t> out;
        for (std::int64_t i = mixed->sampleAt(fromMs);
             i < mixed->sampleAt(fromMs + 2000) && i < mixed->length(); ++i) {
            const std::uint8_t* f = mixed->frameData(i);
            out.push_back(static_cast<std::int16_t>(f[0] | (f[1] << 8)));
        }
        return out;
    };
    auto peak = [](const std::vector<std::int16_t>& v) {
        int p = 0;
        for (std::int16_t x : v) {
            p = std::max(p, std::abs(static_cast<int>(x)));
        }
        return p;
    };
    const std::vector<std::int16_t> before = window(std::max(0, start - 2200));
    const std::vector<std::int16_t> after = window(start + 300);
    ASSERT_GT(after.size(), 1000u);
    EXPECT_LT(peak(before), 600) << "nothing before the slide starts";
    EXPECT_GT(peak(after), 3000);
    EXPECT_NEAR(
        test::dominantHz(after.data(), after.size(), rate, 200, std::min(3500, rate / 2 - 100)),
        1000, 15);
}

}  // namespace
}  // namespace brindle
