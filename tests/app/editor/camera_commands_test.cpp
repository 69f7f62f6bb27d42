// The camera commands of the running editor with the synthetic cameras: the
// driver count, the no-camera notice, a snapshot becoming a slide on the
// strip, the device item, and the start-up window's Escape.
#include "app/editor/camera_commands.h"
#include "app/capture/capture_select.h"
#include "app/capture/record_video.h"
#include "app/capture/snapshot.h"
#include "app/editor/burst_form.h"
#include "app/editor/editor_window.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "platform/vfw/drivers.h"
#include "tests/app/editor/editor_fixture.h"

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
        EditorFixture::TearDown();
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
