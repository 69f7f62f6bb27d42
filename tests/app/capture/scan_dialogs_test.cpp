// The scan source and scan result dialogs driven like a user would, against
// SANE's test devices: choosing a source, scanning through the options and
// progress windows, the failures a device reports, cancelling, and Done
// adding a slide or replacing an edited slide's picture and thumbnail.
#include "app/capture/scan_result.h"
#include "app/capture/scan_select.h"
#include "app/capture/scan_state.h"
#include "app/media/progress_form.h"

#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "components/imaging/image_view.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "tests/app/capture/scan_test_support.h"
#include "tests/support/message_recorder.h"
#include "tests/support/sane_env.h"
#include "tests/support/temp_env.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace brindle {
namespace {

void click(QWidget* window, const char* button) {
    auto* b = window->findChild<QPushButton*>(QString::fromLatin1(button));
    ASSERT_NE(b, nullptr) << button;
    QTest::mouseClick(b, Qt::LeftButton);
}

// The options window answered with OK, after choosing mode and resolution
// when given.
std::shared_ptr<bool> acceptOptions(const QString& mode = {}, int dpi = 0) {
    return test::whenShown("ScanOptions", [mode, dpi](QWidget* w) {
        if (!mode.isEmpty()) {
            auto* m = w->findChild<QComboBox*>("Mode");
            m->setCurrentText(mode);
        }
        if (dpi > 0) {
            auto* r = w->findChild<QComboBox*>("Resolution");
            r->setCurrentIndex(r->findData(dpi));
        }
        click(w, "OK");
    });
}

class ScanDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        gSettingsKey = LoadResString(163);
        gTempFolder = env.file("Temp");
        gWorkFolder = env.file("Work");
        QDir().mkpath(gTempFolder);
        QDir().mkpath(gWorkFolder);
        setProjectView(&view);
        gProject.clear();
        gProjectChanged = false;
        gScanner = "test:0";
        gScanning = gScanCancelled = false;
        gDefaultSlideDuration = 7000;
        // The scan shows its progress in the program's progress window.
        installProgressWindows();
    }
    void TearDown() override {
        setProgressSink(nullptr);
        gProject.clear();
        setProjectView(nullptr);
        gScanner.clear();
    }

    // A slide adder that records the file while it exists and appends an
    // empty slide for it.
    ScanResult::SlideAdder adder() {
        return [this](std::int16_t type, const QString& file) {
            addedType = type;
            added = QImageReader(file).read();
            gProject.insert(gProject.count() + 1, std::make_shared<MediaElement>());
            return gProject.count();
        };
    }

    test::TempEnv env;
    test::SaneTestDevices devices;
    test::MessageRecorder messages;
    test::ScanView view;
    QImage added;
    std::int16_t addedType = -1;
};

TEST_F(ScanDialogsTest, SelectListsTheSourcesWithTheCurrentOneSelected) {
    gScanner = "test:1";
    ScanSelect select(nullptr);
    ASSERT_TRUE(select.load());
    ASSERT_EQ(select.List1()->count(), 2);
    EXPECT_EQ(select.List1()->currentRow(), 1);
    EXPECT_TRUE(select.List1()->item(0)->text().startsWith("Noname frontend-tester"));
    // An unknown current source selects the first entry.
    gScanner = "elsewhere:3";
    ASSERT_TRUE(select.load());
    EXPECT_EQ(select.List1()->currentRow(), 0);
}

TEST_F(ScanDialogsTest, SelectOkStoresTheDeviceAndTheSettingOnlyWhenAsked) {
    ScanSelect select(nullptr);
    ASSERT_TRUE(select.load());
    select.List1()->setCurrentRow(1);
    click(&select, "OK");
    EXPECT_EQ(gScanner, "test:1");
    EXPECT_EQ(select.result(), QDialog::Accepted);
    EXPECT_TRUE(RegGetString(HKEY_CURRENT_USER, gSettingsKey, "Scanner").isEmpty());

    ScanSelect again(nullptr);
    ASSERT_TRUE(again.load());
    again.List1()->setCurrentRow(0);
    again.Save()->setChecked(true);
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    const QPoint at = again.List1()->visualItemRect(again.List1()->item(0)).center();
    QTest::mouseClick(again.List1()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(again.List1()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(gScanner, "test:0");
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, gSettingsKey, "Scanner"), "test:0");
}

TEST_F(ScanDialogsTest, SelectWithoutSourcesShowsMessage70) {
    devices.removeBackends();
    ScanSelect select(nullptr);
    EXPECT_FALSE(select.load());
    EXPECT_EQ(messages.numbers(), QList<int>{70});
    EXPECT_EQ(select.List1()->count(), 0);
}

TEST_F(ScanDialogsTest, ScanThenDoneAddsTheColourPageAsAnImageSlide) {
    ScanResult dialog(nullptr);
    dialog.setSlideAdder(adder());
    auto options = acceptOptions();
    ASSERT_TRUE(dialog.initTheForm({}));
    EXPECT_TRUE(*options);
    EXPECT_FALSE(gScanning);
    EXPECT_FALSE(gScanCancelled);
    EXPECT_TRUE(dialog.isVisible());
    // Colour at 150 dpi unless chosen otherwise: the 80 x 100 mm pattern.
    const QSize page(test::testPagePixels(80, 150), test::testPagePixels(100, 150));
    EXPECT_EQ(dialog.LEAD1()->control().image().size(), page);
    EXPECT_EQ(view.image.image().size(), page);

    click(&dialog, "Done");
    EXPECT_EQ(addedType, MediaImage);
    EXPECT_EQ(added.size(), page);
    EXPECT_FALSE(added.isGrayscale());
    ASSERT_EQ(gProject.count(), 1);
    EXPECT_EQ(gProject.Item(1)->Duration, 7000);
    EXPECT_TRUE(gProjectChanged);
    EXPECT_FALSE(QFile::exists(gTempFolder + "/scan.jpg"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(ScanDialogsTest, OptionsAreRememberedPerDevice) {
    {
        ScanResult dialog(nullptr);
        acceptOptions("Grey", 75);
        ASSERT_TRUE(dialog.initTheForm({}));
        const QImage page = dialog.LEAD1()->control().image();
        EXPECT_EQ(page.width(), test::testPagePixels(80, 75));
        EXPECT_TRUE(page.isGrayscale());
        dialog.Cancel_Click();
    }
    ScanResult dialog(nullptr);
    QString mode;
    int dpi = 0;
    test::whenShown("ScanOptions", [&](QWidget* w) {
        mode = w->findChild<QComboBox*>("Mode")->currentText();
        dpi = w->findChild<QComboBox*>("Resolution")->currentData().toInt();
        click(w, "Cancel");
    });
    EXPECT_FALSE(dialog.initTheForm({}));
    EXPECT_EQ(mode, "Grey");
    EXPECT_EQ(dpi, 75);
    // Cancelling the options window is a cancelled scan, without a message.
    EXPECT_TRUE(gScanCancelled);
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(ScanDialogsTest, DeviceFailureIsToldAndNothingIsAdded) {
    devices.set("read-status-code", "\"SANE_STATUS_COVER_OPEN\"");
    devices.set("br_x", "20.0");
    devices.set("br_y", "20.0");
    ScanResult dialog(nullptr);
    dialog.setSlideAdder(adder());
    acceptOptions();
    EXPECT_FALSE(dialog.initTheForm({}));
    ASSERT_EQ(messages.numbers(), QList<int>{270});
    EXPECT_TRUE(messages.requests()[0].text.contains("cover is open"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(view.image.hasImage());
    EXPECT_FALSE(gScanning);
    EXPECT_FALSE(gScanCancelled);
    EXPECT_EQ(addedType, -1);
}

TEST_F(ScanDialogsTest, VanishedDeviceAndOversizedPageAreTold) {
    gScanner = "test:7";
    ScanResult gone(nullptr);
    EXPECT_FALSE(gone.initTheForm({}));
    ASSERT_EQ(messages.numbers(), QList<int>{270});
    EXPECT_TRUE(messages.requests()[0].text.contains("could not be opened"));

    messages.clear();
    gScanner = "test:0";
    devices.set("br_x", "1.0");
    devices.set("br_y", "2200.0");
    ScanResult large(nullptr);
    acceptOptions({}, 1200);
    EXPECT_FALSE(large.initTheForm({}));
    ASSERT_EQ(messages.numbers(), QList<int>{270});
    EXPECT_TRUE(messages.requests()[0].text.contains("too large"));
}

TEST_F(ScanDialogsTest, CancelDuringSlowScanStopsAtOnceAndTheNextScanWorks) {
    devices.set("read-limit", "true");
    devices.set("read-limit-size", "1");
    devices.set("read-delay", "true");
    devices.set("read-delay-duration", "200000");
    ScanResult dialog(nullptr);
    dialog.setSlideAdder(adder());
    acceptOptions();
    QElapsedTimer sinceCancel;
    test::whenShown("progressForm", [&](QWidget* w) {
        QTest::qWait(300);
        EXPECT_TRUE(gScanning);
        sinceCancel.start();
        click(w, "Cancel");
    });
    EXPECT_FALSE(dialog.initTheForm({}));
    ASSERT_TRUE(sinceCancel.isValid());
    EXPECT_LT(sinceCancel.elapsed(), 150);
    EXPECT_TRUE(gScanCancelled);
    EXPECT_FALSE(gScanning);
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_EQ(addedType, -1);

    // Both flags start afresh: the next scan is not thrown away.
    devices.set("read-delay", "false");
    devices.set("read-limit", "false");
    ScanResult next(nullptr);
    acceptOptions();
    EXPECT_TRUE(next.initTheForm({}));
    EXPECT_FALSE(gScanCancelled);
}

class ScanEditSlideTest : public ScanDialogsTest {
protected:
    void SetUp() override {
        ScanDialogsTest::SetUp();
        QImage picture(200, 100, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        ASSERT_TRUE(picture.save(gWorkFolder + "/image1.jpg", "JPEG"));
        ASSERT_TRUE(picture.scaled(160, 80).save(gWorkFolder + "/image1T.jpg", "JPEG"));
        auto slide = std::make_shared<MediaElement>();
        slide->mediaType = MediaImage;
        slide->Filename = gWorkFolder + "/image1.jpg";
        slide->Thumbnail = gWorkFolder + "/image1T.jpg";
        gProject.insert(1, slide);
    }
};

TEST_F(ScanEditSlideTest, DoneReplacesTheSlidePictureAndThumbnail) {
    ScanResult dialog(nullptr);
    dialog.setEditedSlide(1);
    ASSERT_TRUE(dialog.initTheForm(gWorkFolder + "/image1.jpg"));
    click(&dialog, "Rotate");
    dialog.HScroll1()->setValue(3);
    EXPECT_EQ(dialog.Label1()->text(), "+3");
    click(&dialog, "Done");

    const MediaElement* slide = gProject.Item(1);
    EXPECT_EQ(slide->Filename, gWorkFolder + "/image1.jpg");
    EXPECT_EQ(QImageReader(slide->Filename).size(), QSize(100, 200));
    EXPECT_EQ(QImageReader(slide->Thumbnail).size(), QSize(120, 240));
    EXPECT_EQ(view.refreshes, 1);
    EXPECT_TRUE(gProjectChanged);
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_FALSE(QFile::exists(gTempFolder + "/scan.jpg"));
    // No temporary file is left beside the slide's files.
    EXPECT_EQ(QDir(gWorkFolder).entryList(QDir::Files).size(), 2);
}

TEST_F(ScanEditSlideTest, FailedSaveLeavesTheSlideAlone) {
    ScanResult dialog(nullptr);
    dialog.setEditedSlide(1);
    ASSERT_TRUE(dialog.initTheForm(gWorkFolder + "/image1.jpg"));
    const QByteArray before = test::fileContents(gWorkFolder + "/image1.jpg");
    gTempFolder = env.file("no/such/folder");
    click(&dialog, "Rotate");
    click(&dialog, "Done");
    EXPECT_EQ(messages.numbers(), QList<int>{135});
    EXPECT_EQ(test::fileContents(gWorkFolder + "/image1.jpg"), before);
    EXPECT_FALSE(gProjectChanged);
    EXPECT_TRUE(dialog.isVisible());  // the picture is still there to keep or cancel
    click(&dialog, "Cancel");
    EXPECT_FALSE(view.image.hasImage());
    EXPECT_FALSE(dialog.LEAD1()->control().hasImage());
}

TEST_F(ScanEditSlideTest, PictureThatCannotBeLoadedClosesWithoutMessage) {
    ScanResult dialog(nullptr);
    EXPECT_FALSE(dialog.initTheForm(gWorkFolder + "/missing.jpg"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(messages.numbers().isEmpty());
}

}  // namespace
}  // namespace brindle
