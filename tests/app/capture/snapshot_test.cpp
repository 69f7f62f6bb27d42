// The snapshot dialog and the device dialogs with the synthetic cameras:
// the picture that becomes a slide, the frame sizes, failed grabs, the
// scratch files, and the driver choice with its edge cases.
#include "app/capture/snapshot.h"
#include "app/capture/capture_select.h"
#include "controls/videocap/orvalis_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/registry.h"
#include "tests/app/capture/camera_test_support.h"
#include "tests/app/present/present_fixture.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace brindle {
namespace {

using test::fileContents;

class SnapshotTest : public test::CameraTest {};

TEST_F(SnapshotTest, AddsTheCamerasFrameAsASnapshotSlide) {
    cameras("1");
    Snapshot dlg;
    ASSERT_TRUE(dlg.connected());
    EXPECT_EQ(dlg.frameSize(), QSize(320, 240));
    EXPECT_EQ(dlg.SnapIt()->text(), "OK");
    EXPECT_EQ(dlg.Done()->text(), "Cancel");
    QTest::mouseClick(dlg.SnapIt(), Qt::LeftButton);

    EXPECT_TRUE(messages.numbers().isEmpty());
    ASSERT_EQ(gProject.count(), 1);
    EXPECT_EQ(dlg.addedSlide(), 1);
    const MediaElement* slide = gProject.Item(1);
    EXPECT_EQ(slide->mediaType, MediaSnapshot);
    EXPECT_EQ(slide->Duration, 10000);
    EXPECT_TRUE(gProjectChanged);
    const QImage picture(slide->Filename, "JPEG");
    ASSERT_FALSE(picture.isNull()) << slide->Filename.toStdString();
    EXPECT_EQ(picture.size(), QSize(320, 240));
    EXPECT_GE(frameCounter(picture), 0);
    // The camera is let go once the dialog is done.
    EXPECT_FALSE(dlg.Orvalis1()->get(orvalis::DispConnect).value.toBool());
    // The scratch folder is this user's alone.
    EXPECT_EQ(QFileInfo(gTempFolder).permissions() & 0x0077, 0);

    // A second picture overwrites the scratch files; the slides keep their own.
    Snapshot again;
    QTest::mouseClick(again.SnapIt(), Qt::LeftButton);
    ASSERT_EQ(gProject.count(), 2);
    EXPECT_NE(gProject.Item(2)->Filename, slide->Filename);
    EXPECT_TRUE(QFile::exists(slide->Filename));
}

TEST_F(SnapshotTest, FrameSizeFallsBackInOrder) {
    cameras("1", "320x240");
    Snapshot second;
    EXPECT_EQ(second.frameSize(), QSize(240, 180));
    second.Done()->click();
    cameras("1", "320x240,240x180");
    Snapshot third;
    EXPECT_EQ(third.frameSize(), QSize(160, 120));
    third.Done()->click();
}

TEST_F(SnapshotTest, AFailedGrabAddsNothingAndSaysSo) {
    cameras("1");
    // A picture left from an earlier snapshot must not pass for this one.
    QDir().mkpath(gTempFolder);
    QImage(320, 240, QImage::Format_RGB32).save(Snapshot::pictureFile(), "JPEG");
    Snapshot dlg;
    ASSERT_TRUE(dlg.connected());
    // The camera goes away between opening and OK.
    dlg.Orvalis1()->put(orvalis::DispConnect, false);
    QTest::mouseClick(dlg.SnapIt(), Qt::LeftButton);
    EXPECT_EQ(messages.numbers(), QList<int>{71});
    EXPECT_EQ(gProject.count(), 0);
    EXPECT_FALSE(gProjectChanged);
    EXPECT_FALSE(QFile::exists(Snapshot::pictureFile()));
}

TEST_F(SnapshotTest, EveryGrabWritesTheScratchBitmapNotTheUsersFile) {
    cameras("1");
    Snapshot dlg;
    // The control's Save As leaves its own file name behind.
    const QString users = env.write("mine.bmp", "keep");
    dlg.Orvalis1()->put(orvalis::DispCaptureDIBFile, users);
    QTest::mouseClick(dlg.SnapIt(), Qt::LeftButton);
    EXPECT_EQ(fileContents(users), "keep");
    EXPECT_EQ(gProject.count(), 1);
}

TEST_F(SnapshotTest, CancelAddsNothingAndRemovesALeftoverBitmap) {
    cameras("1");
    Snapshot dlg;
    QDir().mkpath(gTempFolder);
    env.write("Temp/Snapshot.bmp", "half");
    QTest::mouseClick(dlg.Done(), Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(Snapshot::bitmapFile()));
    EXPECT_EQ(gProject.count(), 0);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST_F(SnapshotTest, WithoutACameraItSaysSoAndClosesItself) {
    cameras("0");
    gCapture = QString::number(firstCamera() + 3);
    Snapshot dlg;
    EXPECT_FALSE(dlg.connected());
    EXPECT_EQ(messages.numbers(), QList<int>{68});
    dlg.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.isVisible(); }, 2000));
    EXPECT_EQ(gProject.count(), 0);
}

class CaptureSelectTest : public test::CameraTest {};

TEST_F(CaptureSelectTest, ListsEveryDriverWithTheStoredChoiceSelected) {
    cameras("3");
    const int first = firstCamera();
    gCaptureDriverCount = first + 3;
    gCapture = QString::number(first + 1);
    CaptureSelect dlg;
    ASSERT_EQ(dlg.List1()->count(), first + 3);
    EXPECT_EQ(dlg.List1()->item(first)->text(), "Brindle Test Camera 1");
    EXPECT_EQ(dlg.List1()->currentRow(), first + 1);
    EXPECT_EQ(dlg.Save()->text(), "Use selection as my default");
    EXPECT_EQ(dlg.windowTitle(), "Select Video Capture Device");
    // The listing control holds no camera.
    Snapshot snap;
    EXPECT_TRUE(snap.connected());
    snap.Done()->click();
}

TEST_F(CaptureSelectTest, UnusableStoredNumbersSelectTheFirstDriver) {
    cameras("3");
    gCaptureDriverCount = firstCamera() + 3;
    for (const char* stored : {"abc", "", "99", "-4"}) {
        gCapture = stored;
        CaptureSelect dlg;
        EXPECT_EQ(dlg.List1()->currentRow(), 0) << stored;
    }
}

TEST_F(CaptureSelectTest, OkStoresTheChoiceAndSavesItOnlyWhenTicked) {
    cameras("3");
    gCaptureDriverCount = firstCamera() + 3;
    RegSetString(HKEY_CURRENT_USER, gSettingsKey, "Capture", "0");
    {
        CaptureSelect dlg;
        dlg.List1()->setCurrentRow(2);
        QTest::mouseClick(dlg.OK(), Qt::LeftButton);
        EXPECT_EQ(gCapture, "2");
        EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, gSettingsKey, "Capture"), "0");
    }
    {
        CaptureSelect dlg;
        dlg.List1()->setCurrentRow(1);
        dlg.Save()->setChecked(true);
        QTest::mouseClick(dlg.OK(), Qt::LeftButton);
        EXPECT_EQ(gCapture, "1");
        EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, gSettingsKey, "Capture"), "1");
    }
    {
        CaptureSelect dlg;
        dlg.List1()->setCurrentRow(0);
        QTest::mouseClick(dlg.Cancel(), Qt::LeftButton);
        EXPECT_EQ(gCapture, "1");
    }
}

TEST_F(CaptureSelectTest, OkWithNothingSelectedKeepsTheChoice) {
    cameras("0");
    gCaptureDriverCount = 0;
    gCapture = "2";
    CaptureSelect dlg;
    EXPECT_EQ(dlg.List1()->count(), 0);
    QTest::mouseClick(dlg.OK(), Qt::LeftButton);
    EXPECT_EQ(gCapture, "2");
}

TEST_F(CaptureSelectTest, TheDeviceDialogHoldsNoCameraButADialogThatShowsItDoes) {
    cameras("1");
    gCaptureDriverCount = firstCamera() + 1;
    CaptureSelect select;
    ASSERT_EQ(select.List1()->count(), firstCamera() + 1);
    // A camera streams to one reader at a time: the device dialog's own
    // control leaves it free for the snapshot dialog...
    Snapshot snap;
    EXPECT_TRUE(snap.connected());
    EXPECT_TRUE(messages.numbers().isEmpty());
    // ...which holds it while it shows the picture.
    Snapshot second;
    EXPECT_FALSE(second.connected());
    EXPECT_EQ(messages.numbers(), QList<int>{68});
}

TEST_F(CaptureSelectTest, NoCameraNoticeText) {
    NoCamera notice;
    EXPECT_EQ(notice.lblNoCamera()->text(),
              "You must have a PC Camera connected to your PC to be able to take live snapshots "
              "and video.   Click here to find out more.");
}

TEST(NoCameraLink, OpensThePageInTheBrowserAndClosesTheNotice) {
    // A recording stand-in is the desktop's browser.
    test::PresentEnv present;
    gCreateShareURL = QStringLiteral("https://example.org/cameras?from=brindle");
    int launched = 0;
    for (const char* link : {"lblNoCamera", "CameraAd"}) {
        NoCamera notice;
        notice.show();
        auto* target = notice.findChild<QWidget*>(link);
        ASSERT_NE(target, nullptr) << link;
        QTest::mouseClick(target, Qt::LeftButton);
        EXPECT_EQ(notice.result(), QDialog::Accepted) << link;
        EXPECT_FALSE(notice.isVisible()) << link;
        const QList<QStringList> starts = present.browser().waitForLaunches(++launched);
        ASSERT_EQ(starts.size(), launched) << link;
        EXPECT_EQ(starts.back(), QStringList{gCreateShareURL}) << link;
    }
    // A click beside the text opens nothing.
    NoCamera notice;
    notice.show();
    QTest::mouseClick(&notice, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_TRUE(notice.isVisible());
    EXPECT_EQ(present.browser().waitForLaunches(launched + 1, 500).size(), launched);
}

}  // namespace
}  // namespace brindle
