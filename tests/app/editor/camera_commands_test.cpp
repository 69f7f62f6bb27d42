// The camera commands of the running editor with the synthetic cameras: the
// driver count, the no-camera notice, a snapshot becoming a slide on the
// strip, a take that cuts and plays in the preview, the device item, and
// the start-up window's Escape.
#include "app/editor/camera_commands.h"
#include "app/capture/capture_select.h"
#include "app/capture/record_video.h"
#include "app/capture/snapshot.h"
#include "app/editor/burst_form.h"
#include "app/editor/editor_window.h"
#include "app/editor/strip_state.h"
#include "app/media/edit_video.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/settings.h"
#include "app/present/slide_timing.h"
#include "controls/trimslider/vasklin_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/vfw/device_input.h"
#include "platform/vfw/drivers.h"
#include "tests/app/editor/editor_fixture.h"
#include "tests/support/media_fixture.h"
#include "tests/support/program_run.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace brindle {
namespace {

class CameraCommandsTest : public test::EditorFixture {
protected:
    void TearDown() override {
        qunsetenv("BRINDLE_TEST_CAMERA");
        qunsetenv("BRINDLE_TEST_CAMERA_BUSY");
        EditorFixture::TearDown();
    }
    static bool soundSource() {
        vfw::WaveFormat f;
        f.samplesPerSec = 22050;
        f.bitsPerSample = 16;
        f.recompute();
        return vfw::AudioInput::open(f, nullptr) != nullptr;
    }
    static int realDrivers() {
        qunsetenv("BRINDLE_TEST_CAMERA");
        return static_cast<int>(vfw::listDrivers().size());
    }
    // Runs `answer` on the modal dialog the click opens.
    template <typename D>
    bool onDialog(QAbstractButton* button, std::function<void(D*)> answer) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
            seen = d != nullptr;
            if (d != nullptr) {
                answer(d);
            } else if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                other->reject();
            }
        });
        button->click();
        return seen;
    }
};

TEST_F(CameraCommandsTest, WithoutACameraTheButtonsShowTheNoticeAndTheEditorGoesOn) {
    const int real = realDrivers();
    if (real > 0) {
        GTEST_SKIP() << "this machine has a camera";
    }
    EXPECT_EQ(countCaptureDrivers(frame.get()), 0);
    for (const char* name : {"Snap", "Video"}) {
        QPushButton* button = frame->editor()->button(name);
        EXPECT_TRUE(button->isEnabled());
        EXPECT_TRUE(onDialog<NoCamera>(button, [](NoCamera* n) { n->reject(); })) << name;
        EXPECT_TRUE(button->isEnabled()) << name;
    }
    EXPECT_TRUE(frame->editor()->button("Files")->isEnabled());
    EXPECT_EQ(gProject.count(), 0);
}

TEST_F(CameraCommandsTest, ASnapshotLandsOnTheStrip) {
    const int real = realDrivers();
    qputenv("BRINDLE_TEST_CAMERA", "3");
    // Counting holds no camera: the dialog connects right after.
    EXPECT_EQ(countCaptureDrivers(frame.get()), real + 3);
    gCapture = QString::number(real);
    EXPECT_TRUE(onDialog<Snapshot>(frame->editor()->button("Snap"), [](Snapshot* s) {
        EXPECT_TRUE(s->connected());
        s->SnapIt()->click();
    }));
    EXPECT_TRUE(messages.numbers().isEmpty());
    ASSERT_EQ(gProject.count(), 1);
    EXPECT_EQ(gProject.Item(1)->mediaType, MediaSnapshot);
    EXPECT_EQ(gProject.Item(1)->Duration, 10000);
    EXPECT_TRUE(frame->editor()->button("Snap")->isEnabled());
}

TEST_F(CameraCommandsTest, ABusyCameraSays68AndTheEditorGoesOn) {
    const int real = realDrivers();
    qputenv("BRINDLE_TEST_CAMERA", "1");
    qputenv("BRINDLE_TEST_CAMERA_BUSY", "0");
    countCaptureDrivers(frame.get());
    gCapture = QString::number(real);
    // The dialog closes itself once shown; nothing needs answering.
    frame->editor()->button("Video")->click();
    qunsetenv("BRINDLE_TEST_CAMERA_BUSY");
    EXPECT_EQ(messages.numbers(), QList<int>{68});
    EXPECT_EQ(gProject.count(), 0);
    EXPECT_TRUE(frame->editor()->button("Video")->isEnabled());
    EXPECT_TRUE(frame->editor()->button("Files")->isEnabled());
}

TEST_F(CameraCommandsTest, ARecordedTakeIsASlideThatCutsAndPlaysInThePreview) {
    if (!soundSource()) {
        GTEST_SKIP() << "no sound source (run through scripts/run-tests.sh)";
    }
    const int real = realDrivers();
    qputenv("BRINDLE_TEST_CAMERA", "1");
    countCaptureDrivers(frame.get());
    gCapture = QString::number(real);
    EXPECT_TRUE(onDialog<RecordVideo>(frame->editor()->button("Video"), [](RecordVideo* r) {
        r->Record()->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return r->framesCaptured() > 0; }, 10000));
        QTest::qWait(1000);
        r->Stop1()->click();
        r->Done()->click();
    }));
    EXPECT_TRUE(messages.numbers().isEmpty());
    ASSERT_EQ(gProject.count(), 1);
    const MediaElement* slide = gProject.Item(1);
    EXPECT_EQ(slide->mediaType, MediaVideo);
    EXPECT_EQ(slide->VideoType, VideoAvi);
    EXPECT_GT(slide->Duration, 500);

    // The clip edit dialog cuts the take's first five frames.
    const std::int32_t before = slide->Duration;
    gSelectedSlide = 1;
    frame->setupContextMenu(1);
    bool cut = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<editVideo*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->TSlider21()->put(vasklin::DispStartEditPos, 5);
        QTest::mouseClick(dialog->Done(), Qt::LeftButton);
        cut = dialog->clipWasCut();
    });
    frame->item("mnuEdit")->trigger();
    EXPECT_TRUE(cut);
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_NEAR(gProject.Item(1)->Duration, before - 5 * 1000 / 15, 1000 / 15 + 1);

    // The preview pass takes the cut take, and the presentation player
    // plays it for as long as the slide lasts.
    gProjectFile = env.file("take.bqx");
    ASSERT_EQ(riteProject(false), 0);
    const test::ProgramRun pass = test::runProgram("brindle-cli", {"present", gProjectFile});
    ASSERT_EQ(pass.status, 0) << pass.err.toStdString();
    const QString film = env.file("film.mp4");
    const test::ProgramRun player =
        test::runProgram("brindle-player", {"--export", film, pass.out.trimmed() + "/preView.smi"});
    ASSERT_EQ(player.status, 0) << player.err.toStdString();
    EXPECT_NEAR(test::probe(film, "format=duration").toDouble() * 1000,
                presentationTotalMs(1, gProject.count()), 100);
    EXPECT_EQ(test::probe(film, "stream=codec_type").split('\n').first(), "video");
}

TEST_F(CameraCommandsTest, TheDeviceItemStoresTheChoice) {
    const int real = realDrivers();
    qputenv("BRINDLE_TEST_CAMERA", "3");
    countCaptureDrivers(frame.get());
    gCapture = "0";
    QAction* item = frame->item("SelectCapDev");
    ASSERT_TRUE(item->isEnabled());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<CaptureSelect*>(QApplication::activeModalWidget());
        seen = d != nullptr;
        if (d != nullptr) {
            EXPECT_EQ(d->List1()->count(), real + 3);
            d->List1()->setCurrentRow(real + 2);
            d->OK()->click();
        }
    });
    item->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(gCapture, QString::number(real + 2));
}

TEST_F(CameraCommandsTest, EscapeEndsTheStartUpWindowAtOnce) {
    burstForm burst;
    QTimer::singleShot(0, [&] { QTest::keyClick(&burst, Qt::Key_Escape); });
    QElapsedTimer clock;
    clock.start();
    burst.showAndWait();
    EXPECT_TRUE(burst.escaped());
    EXPECT_LT(clock.elapsed(), burstForm::kShowMs);

    burstForm waited;
    clock.restart();
    waited.showAndWait();
    EXPECT_FALSE(waited.escaped());
    EXPECT_GE(clock.elapsed(), burstForm::kShowMs);
}

}  // namespace
}  // namespace brindle
