#include "app/media/edit_video.h"

#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "components/mediaplayer/media_length.h"
#include "components/mediaplayer/media_player.h"
#include "controls/clipedit/klipvane_ids.h"
#include "controls/trimslider/vasklin_ids.h"
#include "platform/messages.h"
#include "tests/app/model/project_fixture.h"
#include "tests/support/avi_fixtures.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace brindle {
namespace {

using test::ClipRecipe;

class EditVideoTest : public ::testing::Test {
protected:
    void SetUp() override {
        gAppTitle = LoadResString(147);
        gTempFolder = env.file("Temp");
        gWorkFolder = env.file("Work");
        gPreviewFolder = env.file("Preview");
        gUploadFolder = env.file("uploads");
        createFolders();
        QDir().mkpath(env.file("src"));
        gProject.clear();
        resetCounters();
        gProjectChanged = false;
        setProjectView(&view);
    }

    void TearDown() override {
        setProjectView(nullptr);
        gProject.clear();
    }

    // A video slide made from a clip to recipe; answers the slide.
    MediaElement* addClip(const ClipRecipe& recipe) {
        const QString clip = test::makeClip(env.file("src"), recipe);
        EXPECT_FALSE(clip.isEmpty());
        MediaSource s;
        s.mediaType = MediaVideo;
        s.Filename = clip;
        s.Duration = static_cast<std::int32_t>(mediaLengthMs(clip));
        s.Thumbnail = env.write("src/thumb.jpg", "old thumbnail");
        EXPECT_TRUE(gProject.Add(s));
        MediaElement* r = gProject.Item(1);
        r->setEncoded(-1);
        return r;
    }

    std::unique_ptr<editVideo> openDialog() {
        auto d = std::make_unique<editVideo>(1);
        EXPECT_TRUE(d->load());
        d->show();
        return d;
    }

    static void setMarks(editVideo& d, int start, int end) {
        d.TSlider21()->put(vasklin::DispEndEditPos, end);
        d.TSlider21()->put(vasklin::DispStartEditPos, start);
    }

    test::TempEnv env;
    test::MessageRecorder messages;
    test::RecordingView view;
};

TEST_F(EditVideoTest, LoadsTheClipIntoSliderAndPlayer) {
    addClip({.frames = 30, .sound = false});
    auto d = openDialog();
    dispatch::ControlHost& s = *d->TSlider21();
    EXPECT_EQ(s.call(vasklin::DispGetStartPos).value.toInt(), 0);
    EXPECT_EQ(s.call(vasklin::DispGetEndPos).value.toInt(), 29);
    EXPECT_EQ(s.get(vasklin::DispEndEditPos).value.toInt(), 29);
    EXPECT_TRUE(s.get(vasklin::DispShowTrimCtl).value.toBool());
    EXPECT_EQ(d->MCIWnd1()->modeName(), "stopped");
    EXPECT_EQ(d->Label1()->text(), "Frame: 1");
    EXPECT_EQ(d->Image2()->geometry(), d->MCIWnd1()->geometry());
    EXPECT_TRUE(d->Play()->isEnabled());
    EXPECT_FALSE(d->Stop1()->isEnabled());
}

TEST_F(EditVideoTest, OkWithUnchangedMarksChangesNothing) {
    const MediaElement* r = addClip({.frames = 30});
    const QByteArray clipBytes = test::fileBytes(r->Filename);
    const test::ProjectState before = test::projectState();
    auto d = openDialog();
    QTest::mouseClick(d->Done(), Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_FALSE(d->clipWasCut());
    EXPECT_TRUE(test::fileBytes(r->Filename) == clipBytes);
    test::expectSameState(before, test::projectState());
    EXPECT_TRUE(r->isEncoded());
    EXPECT_FALSE(gProjectChanged);
    EXPECT_TRUE(messages.numbers().isEmpty());
    // The clip is let go by both controls.
    EXPECT_TRUE(view.clipEditControl()->get(klipvane::DispFilename).value.toString().isEmpty());
    EXPECT_EQ(d->MCIWnd1()->modeName(), "not ready");
}

TEST_F(EditVideoTest, CancelLeavesTheClipAsItWas) {
    const MediaElement* r = addClip({.frames = 30});
    const test::ProjectState before = test::projectState();
    auto d = openDialog();
    setMarks(*d, 5, 20);
    QTest::keyClick(d.get(), Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
    test::expectSameState(before, test::projectState());
    EXPECT_FALSE(gProjectChanged);
    EXPECT_TRUE(view.clipEditControl()->get(klipvane::DispFilename).value.toString().isEmpty());
    (void)r;
}

TEST_F(EditVideoTest, PlaysFromTheStartMarkAndReturnsToItAtTheEndMark) {
    addClip({.frames = 100, .sound = false});
    auto d = openDialog();
    setMarks(*d, 10, 40);
    QSignalSpy reports(d->MCIWnd1(), &MediaPlayer::positionChanged);
    QTest::qWait(20);  // the slider's seek lands
    reports.clear();

    QTest::mouseClick(d->Play(), Qt::LeftButton);
    EXPECT_FALSE(d->Play()->isEnabled());
    EXPECT_TRUE(d->Stop1()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return d->Play()->isEnabled(); }, 8000));

    ASSERT_GE(reports.size(), 3);
    EXPECT_EQ(reports.first().at(0).toLongLong(), 10);
    // The first report at or past 40 stops playing and seeks back to 10; the
    // seek's own report comes out of that report's handling, so this spy,
    // connected after the dialog, records the two the other way round.
    int atOrPastEnd = 0;
    for (const QList<QVariant>& report : reports) {
        atOrPastEnd += report.at(0).toLongLong() >= 40;
    }
    EXPECT_EQ(atOrPastEnd, 1);
    EXPECT_GE(reports.last().at(0).toLongLong(), 40);
    EXPECT_EQ(reports[reports.size() - 2].at(0).toLongLong(), 10);
    EXPECT_EQ(d->MCIWnd1()->modeName(), "stopped");
    EXPECT_EQ(d->MCIWnd1()->position(), 10);
    EXPECT_EQ(d->TSlider21()->get(vasklin::DispPointerPos).value.toInt(), 10);
    EXPECT_EQ(d->Label1()->text(), "Frame: 11");
    EXPECT_FALSE(d->Stop1()->isEnabled());
}

TEST_F(EditVideoTest, AFastRunOfSliderMovesSeeksOnlyToTheLast) {
    addClip({.frames = 100, .sound = false});
    auto d = openDialog();
    QSignalSpy reports(d->MCIWnd1(), &MediaPlayer::positionChanged);
    QWidget* slider = d->TSlider21()->widget();
    for (int i = 0; i < 30; ++i) {
        QTest::keyClick(slider, Qt::Key_Right);
    }
    EXPECT_EQ(reports.size(), 0) << "no seek before the input is handled";
    QTest::qWait(20);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports.first().at(0).toLongLong(), 30);
    EXPECT_EQ(d->Label1()->text(), "Frame: 31");
    // The picture shown is frame 30 of the clip.
    const std::vector<std::uint8_t> expected = test::decodeFrameBgr(gProject.Item(1)->Filename, 30);
    const QImage shown = d->MCIWnd1()->image().convertToFormat(QImage::Format_BGR888);
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < shown.height(); ++y) {
        const auto* line = shown.constScanLine(y);
        pixels.insert(pixels.end(), line, line + shown.width() * 3);
    }
    EXPECT_GT(test::psnr(expected, pixels), 30.0);
}

// Reads the video frames' key flags with ffprobe.
QStringList keyFlags(const QString& path) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "frame=key_frame",
                        "-of", "csv=p=0", path});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

TEST_F(EditVideoTest, OkCutsAHundredFramesToForty) {
    MediaElement* r = addClip({.frames = 100, .sound = false});
    const QByteArray oldThumbnail = test::fileBytes(r->Thumbnail);
    auto d = openDialog();
    setMarks(*d, 20, 59);

    // While the file is rewritten: buttons off, the first kept frame shown.
    bool buttonsOff = true;
    bool pictureShown = false;
    view.clipEditControl()->onEvent(klipvane::EventSaveProgress, [&](const QVariantList&) {
        for (QPushButton* b : {d->Play(), d->Stop1(), d->Done(), d->Cancel()}) {
            buttonsOff = buttonsOff && !b->isEnabled();
        }
        pictureShown = d->Image2()->isVisible() && !d->Image2()->pixmap().isNull() &&
                       !d->MCIWnd1()->isVisible();
    });
    QTest::mouseClick(d->Done(), Qt::LeftButton);
    EXPECT_TRUE(buttonsOff);
    EXPECT_TRUE(pictureShown);
    EXPECT_TRUE(d->clipWasCut());
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(messages.numbers().isEmpty());

    const test::ClipInfo cut = test::readClip(r->Filename);
    ASSERT_TRUE(cut.ok);
    EXPECT_EQ(cut.frames(), 40);
    const QStringList keys = keyFlags(r->Filename);
    ASSERT_EQ(keys.size(), 40);
    EXPECT_EQ(keys.first(), "1");
    // Frame 0 of the cut clip is frame 20 of the old one.
    EXPECT_EQ(r->Duration, 2667);  // 40 frames at 15 a second
    EXPECT_FALSE(r->isEncoded());
    EXPECT_FALSE(test::fileBytes(r->Thumbnail) == oldThumbnail);
    // The new thumbnail pictures the first kept frame, frame 20 of the source.
    const QImage thumb = QImage(r->Thumbnail)
                             .scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_BGR888);
    ASSERT_FALSE(thumb.isNull());
    std::vector<std::uint8_t> thumbPixels;
    for (int y = 0; y < thumb.height(); ++y) {
        thumbPixels.insert(thumbPixels.end(), thumb.constScanLine(y),
                           thumb.constScanLine(y) + thumb.width() * 3);
    }
    const QString source = env.file("src/clip.avi");
    EXPECT_GT(test::psnr(test::decodeFrameBgr(source, 20), thumbPixels),
              test::psnr(test::decodeFrameBgr(source, 0), thumbPixels) + 3);
    EXPECT_TRUE(gProjectChanged);
    EXPECT_TRUE(view.clipEditControl()->get(klipvane::DispFilename).value.toString().isEmpty());
}

TEST_F(EditVideoTest, AFailedCutShows149AndLeavesTheSlide) {
    MediaElement* r = addClip({.frames = 100});
    const QByteArray clipBytes = test::fileBytes(r->Filename);
    const test::ProjectState before = test::projectState();
    auto d = openDialog();
    setMarks(*d, 20, 59);
    // The cut is stopped part-way, as a killed or failing write would be.
    dispatch::ControlHost* k = view.clipEditControl();
    k->onEvent(klipvane::EventSaveProgress, [k](const QVariantList& a) {
        if (a.value(0).toInt() >= 10) {
            k->call(klipvane::DispAbort);
        }
    });
    QTest::mouseClick(d->Done(), Qt::LeftButton);
    EXPECT_EQ(messages.numbers(), QList<int>{149});
    EXPECT_FALSE(d->clipWasCut());
    EXPECT_TRUE(test::fileBytes(r->Filename) == clipBytes);
    test::expectSameState(before, test::projectState());
    EXPECT_TRUE(r->isEncoded());
    EXPECT_FALSE(gProjectChanged);
}

TEST_F(EditVideoTest, AClipThatVanishedIsReportedAndTheSlideKept) {
    MediaElement* r = addClip({.frames = 30});
    ASSERT_TRUE(QFile::remove(r->Filename));
    const test::ProjectState before = test::projectState();
    editVideo d(1);
    EXPECT_FALSE(d.load());
    EXPECT_EQ(messages.numbers(), QList<int>{153});
    test::expectSameState(before, test::projectState());

    // A file that no longer reads as a clip.
    messages.clear();
    QFile f(r->Filename);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("RIFF not a clip any more");
    f.close();
    editVideo again(1);
    EXPECT_FALSE(again.load());
    EXPECT_EQ(messages.numbers(), QList<int>{153});
    EXPECT_FALSE(editVideoSlide(1));
}

}  // namespace
}  // namespace brindle
