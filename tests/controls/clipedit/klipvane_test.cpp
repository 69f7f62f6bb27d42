#include "controls/clipedit/klipvane_ids.h"
#include "platform/dib.h"
#include "platform/dispatch/control_host.h"
#include "tests/support/avi_fixtures.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <sys/stat.h>
#include <unistd.h>

namespace brindle::klipvane {
namespace {

using dispatch::ControlHost;

struct Event {
    int id;
    QVariantList args;
};

class KlipvaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        host = ControlHost::load(kControlName, &window, &error);
        ASSERT_TRUE(host) << error.toStdString();
        QObject::connect(host.get(), &ControlHost::event, [this](int id, const QVariantList& args) {
            events.push_back({id, args});
        });
    }

    QString clip(const test::ClipRecipe& recipe = {}) {
        const QString path = test::makeClip(dir.path(), recipe);
        EXPECT_FALSE(path.isEmpty());
        return path;
    }

    int frameProperty(int dispid) { return host->get(dispid).value.toInt(); }
    QString filename() { return host->get(DispFilename).value.toString(); }
    quintptr dib(int frame) { return host->call(DispGetDIB, {frame}).value.value<quintptr>(); }
    bool save() { return host->call(DispSave).value.toBool(); }

    // The first argument of every event `id`, in order.
    std::vector<int> firstArgs(int id) const {
        std::vector<int> out;
        for (const Event& e : events) {
            if (e.id == id) {
                out.push_back(e.args.value(0).toInt());
            }
        }
        return out;
    }
    std::vector<int> progress() const { return firstArgs(EventSaveProgress); }
    std::vector<int> errors() const { return firstArgs(EventErrorInfo); }

    void expectFrames(int first, int last, int total) {
        EXPECT_EQ(frameProperty(DispFirstFrame), first);
        EXPECT_EQ(frameProperty(DispLastFrame), last);
        EXPECT_EQ(frameProperty(DispTotalFrames), total);
    }

    QTemporaryDir dir;
    QWidget window;
    std::unique_ptr<ControlHost> host;
    std::vector<Event> events;
};

TEST_F(KlipvaneTest, IdentityAndSize) {
    EXPECT_EQ(host->name(), "Klipvane");
    EXPECT_EQ(host->progId(), "KLIPVANE.KlipvaneCtrl.1");
    EXPECT_EQ(host->widget()->size(), QSize(24, 22));
}

TEST_F(KlipvaneTest, OpeningAClipSetsTheFrameRange) {
    const QString path = clip();
    EXPECT_TRUE(host->put(DispFilename, path).ok());
    EXPECT_EQ(filename(), path);
    expectFrames(0, 99, 100);

    // Setting the name again to nothing closes the file.
    host->put(DispFilename, QString());
    EXPECT_EQ(filename(), "");
    expectFrames(0, 0, 0);
    EXPECT_EQ(dib(0), 0u);
    EXPECT_TRUE(events.empty());
}

TEST_F(KlipvaneTest, WhatDoesNotOpenLeavesNoName) {
    QFile junk(dir.filePath("junk.avi"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArrayLiteral("RIFF\x10\0\0\0AVI LIST not really an AVI file at all"));
    junk.close();
    QStringList bad{dir.filePath("missing.avi"), junk.fileName(), dir.path()};
    if (::geteuid() != 0) {  // the owner of the machine reads every file
        const QString locked = test::makeClip(dir.path(), {}, "locked.avi");
        ::chmod(locked.toUtf8().constData(), 0);
        bad << locked;
    }
    host->put(DispFilename, clip());
    for (const QString& name : bad) {
        host->put(DispFilename, name);
        EXPECT_EQ(filename(), "") << name.toStdString();
        expectFrames(0, 0, 0);
    }
    EXPECT_TRUE(events.empty()) << "opening fires no event";
}

TEST_F(KlipvaneTest, FramesAsPackedBitmapsWithinTheRange) {
    host->put(DispFilename, clip());
    const quintptr first = dib(0);
    ASSERT_NE(first, 0u);
    dib::BitmapInfoHeader h;
    ASSERT_TRUE(dib::readHeader(reinterpret_cast<const void*>(first), &h));
    EXPECT_EQ(h.biWidth, 160);
    EXPECT_EQ(h.biHeight, 120);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(dib::packedDibSize(reinterpret_cast<const void*>(first)), 40u + 160 * 3 * 120);

    EXPECT_NE(dib(99), 0u);
    EXPECT_EQ(dib(100), 0u) << "LastFrame + 1";
    EXPECT_EQ(dib(-1), 0u);
    // The range the host sets is the limit, not the file's length.
    host->put(DispLastFrame, 50);
    EXPECT_NE(dib(50), 0u);
    EXPECT_EQ(dib(51), 0u);

    EXPECT_EQ(host->call(DispGetDIB).code, dispatch::DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(host->call(DispGetDIB, {"x"}).code, dispatch::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(host->put(DispFirstFrame, "x").code, dispatch::DISP_E_TYPEMISMATCH);
}

TEST_F(KlipvaneTest, SavingTheWholeRangeKeepsTheFrames) {
    const QString path = clip();
    const test::ClipInfo before = test::readClip(path);
    host->put(DispFilename, path);
    EXPECT_TRUE(save());
    expectFrames(0, 99, 100);
    EXPECT_EQ(filename(), path);
    const test::ClipInfo after = test::readClip(path);
    EXPECT_TRUE(after.packets == before.packets);
    EXPECT_EQ(after.audioSamples, 100 * 22050 / 15);
    EXPECT_TRUE(errors().empty());
    ASSERT_FALSE(progress().empty());
    EXPECT_EQ(progress().front(), 0);
    EXPECT_EQ(progress().back(), 100);
}

TEST_F(KlipvaneTest, SavingARangeInsideAGroupReportsTwoPasses) {
    const QString path = clip();
    host->put(DispFilename, path);
    host->put(DispFirstFrame, 17);
    host->put(DispLastFrame, 99);
    ASSERT_TRUE(save());
    expectFrames(0, 82, 83);
    const std::vector<int> seen = progress();
    ASSERT_GE(seen.size(), 4u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    const auto fifty = std::find(seen.begin(), seen.end(), 50);
    ASSERT_NE(fifty, seen.end());
    EXPECT_GT(fifty - seen.begin(), 2) << "the first pass has reports of its own";
    EXPECT_EQ(*(fifty + 1), 50);
    EXPECT_EQ(seen.back(), 100);

    const test::ClipInfo after = test::readClip(path);
    EXPECT_EQ(after.frames(), 83);
    EXPECT_EQ(after.decodedFrames, 83);
    EXPECT_TRUE(after.keys[0]);
    // The reopened file hands out frames of the cut clip.
    EXPECT_NE(dib(82), 0u);
    EXPECT_EQ(dib(83), 0u);
}

TEST_F(KlipvaneTest, AbortOnlyDuringASave) {
    const QString path = clip();
    host->put(DispFilename, path);
    host->put(DispFirstFrame, 10);
    EXPECT_FALSE(host->call(DispAbort).value.toBool());
    expectFrames(10, 99, 100);
    EXPECT_TRUE(events.empty());

    const QByteArray before = test::fileBytes(path);
    bool answered = false;
    host->onEvent(EventSaveProgress, [&](const QVariantList& a) {
        if (a.value(0).toInt() >= 30 && !answered) {
            answered = host->call(DispAbort).value.toBool();
        }
    });
    host->put(DispFirstFrame, 17);
    EXPECT_FALSE(save()) << "a failed save answers false";
    EXPECT_TRUE(answered);
    EXPECT_EQ(errors(), std::vector<int>{kErrorInvalidFormat});
    const Event& error = events.back();
    EXPECT_EQ(error.args.value(1).toString(), "File has an invalid format");
    EXPECT_TRUE(test::fileBytes(path) == before);
    EXPECT_EQ(test::filesIn(dir.path()), QStringList{"clip.avi"}) << "a temporary file was left";
    expectFrames(0, 99, 100);
    // The control is usable again.
    EXPECT_FALSE(host->call(DispAbort).value.toBool());
    EXPECT_NE(dib(0), 0u);
}

TEST_F(KlipvaneTest, FilesThatCannotBeReplacedReport204) {
    const QString path = clip();
    const QByteArray before = test::fileBytes(path);
    host->put(DispFilename, path);
    host->put(DispFirstFrame, 30);
    ASSERT_EQ(::chmod(path.toUtf8().constData(), 0444), 0);
    EXPECT_FALSE(save());
    EXPECT_EQ(errors(), std::vector<int>{kErrorInvalidFormat});
    EXPECT_TRUE(test::fileBytes(path) == before);

    // A file that vanished after it was opened: nothing is written.
    events.clear();
    ::chmod(path.toUtf8().constData(), 0644);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(save());
    EXPECT_EQ(errors(), std::vector<int>{kErrorInvalidFormat});
    EXPECT_TRUE(test::filesIn(dir.path()).isEmpty());

    // And with no file at all.
    events.clear();
    host->put(DispFilename, QString());
    EXPECT_FALSE(save());
    EXPECT_EQ(errors(), std::vector<int>{kErrorInvalidFormat});
}

TEST_F(KlipvaneTest, TheFileStaysWhileASaveRuns) {
    const QString path = clip();
    host->put(DispFilename, path);
    host->put(DispFirstFrame, 30);
    bool refused = false;
    bool nested = true;
    host->onEvent(EventSaveProgress, [&](const QVariantList&) {
        refused = refused || !host->put(DispFilename, QString()).ok();
        nested = nested && host->call(DispSave).value.toBool();
    });
    EXPECT_TRUE(save());
    EXPECT_TRUE(refused) << "Filename cannot change during a save";
    EXPECT_FALSE(nested) << "a save inside a save is refused";
    EXPECT_EQ(filename(), path);
    expectFrames(0, 69, 70);
}

TEST_F(KlipvaneTest, PersistedPropertiesRoundTrip) {
    const QString path = clip();
    host->put(DispFilename, path);
    host->put(DispFirstFrame, 12);
    host->put(DispLastFrame, 34);
    host->put(DispTotalFrames, 77);  // only stored
    const dispatch::PropertyBag bag = host->saveProperties();
    EXPECT_EQ(bag.version(), "1.0");
    EXPECT_EQ(bag.read("FirstFrame").toInt(), 12);
    EXPECT_EQ(bag.read("LastFrame").toInt(), 34);
    EXPECT_EQ(bag.read("TotalFrames").toInt(), 77);
    EXPECT_EQ(bag.read("Filename").toString(), path);

    QWidget other;
    auto second = ControlHost::load(kControlName, &other);
    ASSERT_TRUE(second);
    second->loadProperties(bag);
    EXPECT_EQ(second->get(DispFirstFrame).value.toInt(), 12);
    EXPECT_EQ(second->get(DispLastFrame).value.toInt(), 34);
    EXPECT_EQ(second->get(DispTotalFrames).value.toInt(), 77);
    EXPECT_EQ(second->get(DispFilename).value.toString(), path);
    EXPECT_FALSE(second->call(DispAbort).value.toBool()) << "loading clears busy";
}

}  // namespace
}  // namespace brindle::klipvane
