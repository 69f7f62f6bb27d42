#include "controls/audiocap/sonteval_ids.h"
#include "platform/dispatch/control_host.h"
#include "tests/controls/audiocap/wav_bytes.h"
#include "tests/support/media_fixture.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <sys/resource.h>
#include <csignal>

namespace brindle::sonteval {
namespace {

using dispatch::ControlHost;

struct Event {
    int id;
    QVariantList args;
};

class SontevalTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        host = ControlHost::load(kControlName, &window, &error);
        ASSERT_TRUE(host) << error.toStdString();
        QObject::connect(host.get(), &ControlHost::event, [this](int id, const QVariantList& args) {
            events.push_back({id, args});
        });
    }

    QString wav(const QString& name, std::int64_t frames, int channels = 1) {
        test::WavSpec spec;
        spec.frames = frames;
        spec.channels = channels;
        spec.sample = test::sine(1000, 22050);
        return env.write(name, test::makeWav(spec));
    }
    dispatch::DispResult open(const QString& path) { return host->call(DispOpenFile, {path}); }
    int code(const dispatch::DispResult& r) { return r.code; }
    int length() { return host->get(DispLength).value.toInt(); }
    std::vector<Event> eventsOf(int id) const {
        std::vector<Event> out;
        for (const Event& e : events) {
            if (e.id == id) {
                out.push_back(e);
            }
        }
        return out;
    }
    std::vector<int> progress() const {
        std::vector<int> out;
        for (const Event& e : eventsOf(EventSaveProgress)) {
            out.push_back(e.args.value(0).toInt());
        }
        return out;
    }

    test::TempEnv env;
    QWidget window;
    std::unique_ptr<ControlHost> host;
    std::vector<Event> events;
};

TEST_F(SontevalTest, NewControlHasItsDefaults) {
    EXPECT_EQ(host->progId(), "SONTEVAL.SontevalCtrl.1");
    QString pageId;
    std::unique_ptr<QWidget> page(host->createPropertyPage(nullptr, &pageId));
    ASSERT_TRUE(page);
    EXPECT_EQ(pageId, "SONTEVAL.SontevalPropPage.1");
    EXPECT_EQ(page->windowTitle(), "General");
    EXPECT_TRUE(page->children().isEmpty()) << "the page holds no controls";
    EXPECT_EQ(host->get(DispStatus).value.toInt(), 0);
    EXPECT_EQ(host->get(DispCaptureFormat).value.toInt(), 1);
    EXPECT_EQ(host->get(DispSaveFormat).value.toInt(), 1);
    EXPECT_EQ(host->get(DispDisplayMode).value.toInt(), 1);
    EXPECT_EQ(host->get(DispBackgroundColor).value.toUInt(), 0x9C5A19u);
    EXPECT_EQ(host->get(DispNoStreamColor).value.toUInt(), 0x808080u);
    const QFileInfo scratch(host->get(DispScratchFileName).value.toString());
    EXPECT_EQ(scratch.absolutePath(), QDir(QDir::tempPath()).absolutePath());
    EXPECT_TRUE(scratch.fileName().startsWith("acap"));
    EXPECT_TRUE(scratch.exists());

    // Each control has its own scratch file.
    QWidget other;
    auto second = ControlHost::load(kControlName, &other);
    ASSERT_TRUE(second);
    EXPECT_NE(second->get(DispScratchFileName).value, host->get(DispScratchFileName).value);

    EXPECT_EQ(code(host->get(DispLength)), kErrNoLength);
    EXPECT_EQ(host->get(DispCurrentPosition).value.toInt(), 0);
    EXPECT_EQ(code(host->put(DispLength, 5)), dispatch::CTL_E_SETNOTSUPPORTED);
    EXPECT_EQ(code(host->call(DispPlay)), kErrNothingToPlay);
    EXPECT_EQ(code(host->call(DispSeek, {0, 0})), kErrNoStream);
    EXPECT_EQ(code(host->call(DispSave, {env.file("x.wav")})), kErrNoStream);
    EXPECT_EQ(host->call(DispThreadSafeSave, {env.file("x.wav")}).value.toInt(), kErrNoStream);
    EXPECT_EQ(code(host->call(DispSetSelection, {0, 0})), kErrNoStream);
    EXPECT_EQ(code(host->call(DispOpenFile, {QVariant()})), kErrCannotOpen);
}

TEST_F(SontevalTest, PropertiesKeepOnlyValidFormatsAndPersistTwo) {
    host->put(DispCaptureFormat, 5);
    EXPECT_EQ(host->get(DispCaptureFormat).value.toInt(), 1);
    host->put(DispCaptureFormat, 0);
    EXPECT_EQ(host->get(DispCaptureFormat).value.toInt(), 0);
    host->put(DispSaveFormat, 3);
    EXPECT_EQ(host->get(DispSaveFormat).value.toInt(), 3);
    host->put(DispSaveFormat, -1);
    EXPECT_EQ(host->get(DispSaveFormat).value.toInt(), 3);
    host->put(DispDisplayMode, 7);  // stored unchanged
    EXPECT_EQ(host->get(DispDisplayMode).value.toInt(), 7);
    host->put(DispMonoForeColor, 0x01020304u);  // the high byte is not a colour
    EXPECT_EQ(host->get(DispMonoForeColor).value.toUInt(), 0x020304u);
    host->put(DispStatus, 9);

    const dispatch::PropertyBag bag = host->saveProperties();
    EXPECT_EQ(bag.version(), "1.0");
    EXPECT_EQ(bag.values().keys(), (QStringList{"DisplayMode", "Status"}));
    QWidget other;
    auto second = ControlHost::load(kControlName, &other);
    second->loadProperties(bag);
    EXPECT_EQ(second->get(DispDisplayMode).value.toInt(), 7);
    EXPECT_EQ(second->get(DispStatus).value.toInt(), 9);
    EXPECT_EQ(second->get(DispSaveFormat).value.toInt(), 1) << "not persisted";

    QVariantList limit{-1, -1};
    host->call(DispSetFileSizeUpperLimit, {0, 60000});
    host->invoke(DispGetFileSizeUpperLimit, dispatch::InvokeKind::Method, limit);
    EXPECT_EQ(limit, (QVariantList{0, 60000}));
    EXPECT_EQ(code(host->call(DispSetFileSizeUpperLimit, {1, 0})), kErrLimitHigh);
}

TEST_F(SontevalTest, ScratchNameIsCheckedBeforeTheOldFileGoes) {
    const QString old = host->get(DispScratchFileName).value.toString();
    EXPECT_EQ(code(host->put(DispScratchFileName, env.file("no/such/folder/s.tmp"))),
              kErrCannotOpen);
    EXPECT_TRUE(QFile::exists(old)) << "a refused name deletes nothing";
    EXPECT_EQ(code(host->put(DispScratchFileName, QVariant(QString()))), kErrNoName);
    EXPECT_TRUE(QFile::exists(old));
    ASSERT_TRUE(host->put(DispScratchFileName, env.file("mine.tmp")).ok());
    EXPECT_TRUE(QFile::exists(env.file("mine.tmp")));
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_EQ(host->get(DispScratchFileName).value.toString(), env.file("mine.tmp"));
}

TEST_F(SontevalTest, SelectionAndSeekStayInsideTheSound) {
    ASSERT_TRUE(open(wav("a.wav", 22050 * 3)).ok());
    EXPECT_EQ(length(), 3000);
    QVariantList sel{-1, -1};
    host->invoke(DispGetSelection, dispatch::InvokeKind::Method, sel);
    EXPECT_EQ(sel, (QVariantList{0, 3000}));

    EXPECT_TRUE(host->call(DispSeek, {0, 2}).ok());
    EXPECT_EQ(code(host->call(DispSeek, {1, 2})), kErrSeekOutside);
    EXPECT_EQ(code(host->call(DispSeek, {-1, 0})), kErrSeekOutside);
    EXPECT_EQ(code(host->call(DispSeek, {0, 7})), kErrSeekOutside);

    EXPECT_TRUE(host->call(DispSetSelection, {0, length()}).ok());
    EXPECT_EQ(code(host->call(DispSetSelection, {0, length() + 1})), kErrEndOutside);
    EXPECT_EQ(code(host->call(DispSetSelection, {100, -1})), kErrEndOutside);
    EXPECT_EQ(code(host->call(DispSetSelection, {3000, 0})), kErrStartOutside);
    EXPECT_EQ(code(host->call(DispSetSelection, {-1, 10})), kErrStartOutside);
    ASSERT_TRUE(host->call(DispSetSelection, {1000, 500}).ok());
    sel = {-1, -1};
    host->invoke(DispGetSelection, dispatch::InvokeKind::Method, sel);
    EXPECT_EQ(sel, (QVariantList{1000, 500}));
    EXPECT_TRUE(host->call(DispSeek, {500, 0}).ok());
    EXPECT_EQ(code(host->call(DispSeek, {501, 0})), kErrSeekOutside);

    // SaveSelection writes just that half second.
    ASSERT_TRUE(host->call(DispSaveSelection, {env.file("part.wav")}).ok());
    EXPECT_EQ(test::probe(env.file("part.wav"), "format=duration"), "0.500000");
}

TEST_F(SontevalTest, HostileFilesAreRefusedAndTheOldSoundGoes) {
    test::WavSpec lying;
    lying.frames = 1000;
    lying.dataSizeDelta = 1 << 20;
    EXPECT_EQ(code(open(env.write("lying.wav", test::makeWav(lying)))), kErrCannotOpen);
    EXPECT_EQ(code(open(env.write("noise.wav", QByteArray(5000, 'x')))), kErrCannotOpen);
    EXPECT_EQ(code(host->get(DispLength)), kErrNoLength);
    // A good file after the bad ones opens normally.
    ASSERT_TRUE(open(wav("ok.wav", 2205)).ok());
    EXPECT_EQ(length(), 100);
}

TEST_F(SontevalTest, SavesWavAndAviByName) {
    const QString src = wav("src.wav", 22050 * 2, 1);
    ASSERT_TRUE(open(src).ok());
    ASSERT_TRUE(host->call(DispSave, {env.file("out.wav")}).ok());
    EXPECT_EQ(test::probe(env.file("out.wav"), "format=format_name"), "wav");
    const QByteArray bytes = test::fileContents(env.file("out.wav"));
    EXPECT_EQ(bytes.mid(36, 4), "fact");
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 44), 44100u);

    ASSERT_TRUE(host->call(DispSave, {env.file("noext")}).ok());
    EXPECT_EQ(test::probe(env.file("noext"), "format=format_name"), "wav");

    host->put(DispSaveFormat, 0);
    ASSERT_TRUE(host->call(DispSave, {env.file("OUT.AVI")}).ok());
    EXPECT_EQ(test::probe(env.file("OUT.AVI"), "format=format_name"), "avi");
    EXPECT_EQ(test::probe(env.file("OUT.AVI"), "stream=sample_rate"), "44100");
    EXPECT_EQ(test::probe(env.file("OUT.AVI"), "stream=channels"), "2");

    host->put(DispSaveFormat, 3);
    ASSERT_TRUE(host->call(DispSave, {env.file("m.avi")}).ok());
    EXPECT_EQ(test::probe(env.file("m.avi"), "stream=sample_rate"), "22050");

    const auto begins = eventsOf(EventSaveBegin).size();
    const auto dones = eventsOf(EventSaveDone);
    EXPECT_EQ(begins, 4u);
    ASSERT_EQ(dones.size(), 4u);
    EXPECT_FALSE(dones.back().args.value(0).toBool());
}

TEST_F(SontevalTest, FailedSavesLeaveTheOldDestination) {
    const QString src = wav("src.wav", 22050);
    ASSERT_TRUE(open(src).ok());
    const QByteArray before = test::fileContents(src);
    const QString dest = env.write("old.wav", "old caption");

    // Onto its own source: refused, the source intact.
    EXPECT_EQ(code(host->call(DispSave, {src})), kErrCannotOpen);
    EXPECT_EQ(test::fileContents(src), before);
    EXPECT_EQ(code(host->call(DispSave, {env.file("nofolder/x.wav")})), kErrCannotOpen);
    EXPECT_EQ(code(host->call(DispSave, {QVariant(QString())})), kErrNoName);

    // The compressed format has no codec here: the save fails whole.
    host->put(DispSaveFormat, 2);
    EXPECT_EQ(code(host->call(DispSave, {dest})), kConvertNoCodec);
    EXPECT_EQ(test::fileContents(dest), "old caption");
    EXPECT_EQ(host->call(DispThreadSafeSave, {dest}).value.toInt(), kConvertNoCodec);

    // The disk refuses the bytes half-way (a file size limit stands in for
    // a full disk): the control's write error, the old file as it was.
    host->put(DispSaveFormat, 1);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 20000;
    setrlimit(RLIMIT_FSIZE, &small);
    const int r = code(host->call(DispSave, {dest}));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(r, kErrWrite);
    EXPECT_EQ(test::fileContents(dest), "old caption");
    EXPECT_EQ(QDir(env.path()).entryList({"acap*"}), QStringList()) << "no temporary file left";
}

TEST_F(SontevalTest, CancelBeforeASaveCancelsItAtTheFirstStep) {
    ASSERT_TRUE(open(wav("src.wav", 22050 * 3)).ok());
    host->call(DispCancelSave);
    EXPECT_EQ(host->call(DispThreadSafeSave, {env.file("c.wav")}).value.toInt(), kErrCancelled);
    EXPECT_EQ(progress(), std::vector<int>{0});
    const auto dones = eventsOf(EventSaveDone);
    ASSERT_EQ(dones.size(), 1u);
    EXPECT_TRUE(dones[0].args.value(0).toBool());
    EXPECT_FALSE(QFile::exists(env.file("c.wav")));

    // Save raises nothing for a cancel, and the flag does not linger.
    events.clear();
    host->onEvent(EventSaveProgress, [this](const QVariantList& a) {
        if (a.value(0).toInt() > 30) {
            host->call(DispCancelSave);
        }
    });
    EXPECT_TRUE(host->call(DispSave, {env.file("d.wav")}).ok());
    EXPECT_EQ(progress(), (std::vector<int>{0, 33})) << "the step that asked to cancel is the last";
    EXPECT_TRUE(eventsOf(EventSaveDone).at(0).args.value(0).toBool());
    EXPECT_FALSE(QFile::exists(env.file("d.wav")));
}

TEST_F(SontevalTest, ASaveInProgressKeepsItsStreams) {
    ASSERT_TRUE(open(wav("src.wav", 22050 * 3)).ok());
    std::vector<int> codes;
    host->onEvent(EventSaveProgress, [&](const QVariantList&) {
        codes.push_back(host->call(DispCloseFile).code);
        codes.push_back(host->call(DispOpenFile, {env.file("src.wav")}).code);
        codes.push_back(host->call(DispRecord).code);
        codes.push_back(host->call(DispThreadSafeSave, {env.file("other.wav")}).value.toInt());
    });
    ASSERT_TRUE(host->call(DispSave, {env.file("full.wav")}).ok());
    ASSERT_GE(codes.size(), 4u);
    for (int c : codes) {
        EXPECT_EQ(c, kErrBusy);
    }
    EXPECT_EQ(test::probe(env.file("full.wav"), "format=duration"), "3.000000");
}

TEST_F(SontevalTest, CloseFileForgetsTheSoundAndItsScratchFile) {
    ASSERT_TRUE(open(wav("src.wav", 2205)).ok());
    const QString scratch = host->get(DispScratchFileName).value.toString();
    EXPECT_TRUE(host->call(DispCloseFile).ok());
    EXPECT_EQ(code(host->get(DispLength)), kErrNoLength);
    EXPECT_FALSE(QFile::exists(scratch));
    EXPECT_TRUE(QFile::exists(env.file("src.wav")));
}

}  // namespace
}  // namespace brindle::sonteval
