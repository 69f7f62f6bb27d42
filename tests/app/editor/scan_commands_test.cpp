// Scanning from the editor: the search for scanners at start-up, the Scan
// button through the source, options and result dialogs to a new slide,
// message 70 without a scanner, and the Edit item of a picture slide.
#include "app/editor/scan_commands.h"
#include "app/capture/scan_state.h"
#include "app/editor/editor_window.h"
#include "app/editor/strip_state.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "tests/app/capture/scan_test_support.h"
#include "tests/app/editor/editor_fixture.h"
#include "tests/support/sane_env.h"

#include <QAction>
#include <QComboBox>
#include <QImageReader>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace brindle {
namespace {

void click(QWidget* window, const char* button) {
    auto* b = window->findChild<QPushButton*>(QString::fromLatin1(button));
    ASSERT_NE(b, nullptr) << button;
    QTest::mouseClick(b, Qt::LeftButton);
}

class ScanCommandsTest : public test::EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        gScanner.clear();
        gScannerPresent = false;
    }
    void TearDown() override {
        gScanner.clear();
        gScannerPresent = false;
        EditorFixture::TearDown();
    }

    // Runs the start-up search and waits for its answer.
    void searchScanners() {
        startScannerSearch(*frame);
        EXPECT_FALSE(frame->editor()->button("Scan")->isEnabled());
        EXPECT_TRUE(QTest::qWaitFor([this] { return frame->editor()->button("Scan")->isEnabled(); },
                                    10000));
    }

    test::SaneTestDevices devices;
};

TEST_F(ScanCommandsTest, ScanButtonAddsTheScannedColourPageAsASlide) {
    searchScanners();
    ASSERT_TRUE(gScannerPresent);
    EXPECT_TRUE(frame->item("Scanner")->isEnabled());

    // No scanner chosen yet: the source dialog comes first.
    auto chosen = test::whenShown("ScanSelect", [](QWidget* w) {
        w->findChild<QListWidget*>("List1")->setCurrentRow(0);
        click(w, "OK");
    });
    auto options = test::whenShown("ScanOptions", [](QWidget* w) {
        auto* r = w->findChild<QComboBox*>("Resolution");
        r->setCurrentIndex(r->findData(100));
        click(w, "OK");
    });
    auto done = test::whenShown("ScanResult", [](QWidget* w) { click(w, "Done"); });
    frame->editor()->button("Scan")->click();
    EXPECT_TRUE(*chosen);
    EXPECT_TRUE(*options);
    EXPECT_TRUE(*done);
    EXPECT_EQ(gScanner, "test:0");

    ASSERT_EQ(gProject.count(), 1);
    const MediaElement* slide = gProject.Item(1);
    EXPECT_EQ(slide->mediaType, MediaImage);
    EXPECT_EQ(slide->Duration, gDefaultSlideDuration);
    QImageReader reader(slide->Filename);
    EXPECT_EQ(reader.format(), "jpeg");
    EXPECT_EQ(reader.size(), QSize(test::testPagePixels(80, 100), test::testPagePixels(100, 100)));
    EXPECT_TRUE(QFile::exists(slide->Thumbnail));
    EXPECT_TRUE(gProjectChanged);
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_FALSE(frame->editor()->windowShade()->isVisible());
}

TEST_F(ScanCommandsTest, WithoutAScannerScanAndSelectScannerShowMessage70) {
    devices.removeBackends();
    searchScanners();
    EXPECT_FALSE(gScannerPresent);
    frame->editor()->button("Scan")->click();
    frame->item("Scanner")->trigger();
    EXPECT_EQ(messages.numbers(), QList<int>({70, 70}));
    EXPECT_EQ(gProject.count(), 0);
}

TEST_F(ScanCommandsTest, SelectScannerStoresTheChoice) {
    searchScanners();
    auto chosen = test::whenShown("ScanSelect", [](QWidget* w) {
        w->findChild<QListWidget*>("List1")->setCurrentRow(1);
        click(w, "OK");
    });
    frame->item("Scanner")->trigger();
    EXPECT_TRUE(*chosen);
    EXPECT_EQ(gScanner, "test:1");
}

TEST_F(ScanCommandsTest, EditItemTurnsThePictureOfAnImageSlide) {
    addWithFilesButton({picture("wide.jpg", 120, 60)});
    ASSERT_EQ(gProject.count(), 1);
    frame->setupContextMenu(1);
    ASSERT_TRUE(frame->item("mnuEdit")->isEnabled());
    const QString thumbnail = gProject.Item(1)->Thumbnail;
    ASSERT_EQ(QImageReader(thumbnail).size(), QSize(320, 160));
    gProjectChanged = false;

    auto edited = test::whenShown("ScanResult", [](QWidget* w) {
        click(w, "Rotate");
        click(w, "Done");
    });
    frame->item("mnuEdit")->trigger();
    EXPECT_TRUE(*edited);
    EXPECT_EQ(QImageReader(gProject.Item(1)->Filename).size(), QSize(60, 120));
    EXPECT_EQ(QImageReader(thumbnail).size(), QSize(120, 240));
    EXPECT_TRUE(gProjectChanged);
    EXPECT_EQ(gProject.count(), 1);
}

}  // namespace
}  // namespace brindle
