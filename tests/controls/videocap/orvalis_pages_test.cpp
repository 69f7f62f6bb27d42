// The property sheet and the context menu, driven as a user drives them.
#include "tests/controls/videocap/orvalis_fixture.h"

#include <QApplication>
#include <QFile>

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <chrono>

namespace brindle::orvalis::hosted {
namespace {

class OrvalisPagesTest : public OrvalisTest {
protected:
    void SetUp() override {
        camera("1");
        host().put(DispDriverNum, firstCamera());
        ASSERT_EQ(errorNum(), 0);
        QString progId;
        sheet = host().createPropertyPage(host().widget(), &progId);
        ASSERT_TRUE(sheet);
        EXPECT_EQ(progId, "Orvalis.CPropPageGeneral");
    }

    template <class W>
    W* field(const char* name) {
        W* w = sheet->findChild<W*>(name);
        EXPECT_TRUE(w) << name;
        return w;
    }

    // Presses the sheet's Apply button.
    void apply() {
        for (QPushButton* b : sheet->findChildren<QPushButton*>()) {
            if (b->text().contains("Apply")) {
                b->click();
                return;
            }
        }
        ADD_FAILURE() << "no Apply button";
    }

    QWidget* sheet = nullptr;
};

TEST_F(OrvalisPagesTest, FivePagesReadTheirProperties) {
    auto* tabs = sheet->findChild<QTabWidget*>();
    ASSERT_TRUE(tabs);
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i) {
        captions << tabs->tabText(i);
    }
    EXPECT_EQ(captions, (QStringList{"General", "Display", "Capture", "Audio", "Dialogs"}));
    EXPECT_EQ(field<QLineEdit>("DriverName")->text(), "Brindle Test Camera");
    EXPECT_EQ(field<QLineEdit>("Version")->text(), "2.1");
    EXPECT_TRUE(field<QCheckBox>("Connect")->isChecked());
    EXPECT_EQ(field<QLineEdit>("AudioRate")->text(), "11205");
    EXPECT_EQ(field<QLineEdit>("VideoResolutionWidth")->text(), "320");
    EXPECT_TRUE(field<QLineEdit>("VideoResolutionWidth")->isReadOnly());
    EXPECT_EQ(field<QLineEdit>("CaptureFile")->text(), "\\capture.avi");
}

TEST_F(OrvalisPagesTest, ApplyingSetsOnlyWhatTheUserChanged) {
    // A failed dialog leaves 108 behind; an unchanged sheet runs nothing,
    // so no connect clears it.
    host().put(DispVideoSourceDlg, true);
    ASSERT_EQ(errorNum(), kErrSourceDlg);
    apply();
    EXPECT_EQ(errorNum(), kErrSourceDlg);

    field<QLineEdit>("PreviewRate")->setText("30");
    apply();
    EXPECT_EQ(host().get(DispPreviewRate).value.toInt(), 30);
    EXPECT_EQ(errorNum(), 0);
    field<QLineEdit>("CompressionQuality")->setText("101");
    apply();
    EXPECT_EQ(errorNum(), kErrCompressionQuality);
    EXPECT_EQ(field<QLineEdit>("CompressionQuality")->text(), "85");  // shows the control's value
}

TEST_F(OrvalisPagesTest, TickingCaptureStartsACapture) {
    host().put(DispCaptureAudio, false);
    host().put(DispYield, true);
    host().put(DispCaptureFile, env.file("page.avi"));
    field<QCheckBox>("Capture")->setChecked(true);
    apply();
    EXPECT_TRUE(host().get(DispCapture).value.toBool());
    EXPECT_EQ(errorNum(), 0);
    host().put(DispCapture, false);
    EXPECT_EQ(errorNum(), 0);
    EXPECT_FALSE(host().get(DispCapture).value.toBool());
}

TEST_F(OrvalisPagesTest, ContextMenuCopyAndACancelledSaveAs) {
    host().put(DispCaptureDIBFile, env.file("kept.bmp"));
    QWidget* video = host().widget()->findChild<QWidget*>("CaptureWindow");
    ASSERT_TRUE(video);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5),
                        video->mapToGlobal(QPointF(5, 5)), Qt::RightButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(video, &release);
    QApplication::processEvents();
    QMenu* menu = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == "Default" && w->isVisible()) {
            menu = qobject_cast<QMenu*>(w);
        }
    }
    ASSERT_TRUE(menu);
    QStringList items;
    for (QAction* a : menu->actions()) {
        items << a->text();
    }
    EXPECT_EQ(items, (QStringList{"&Copy", "Save &As...", "", "&Settings"}));
    menu->findChild<QAction*>("cmd32762")->trigger();
    EXPECT_EQ(errorNum(), 0);
    // Cancelling the save dialog leaves CaptureDIBFile as it was.
    QTimer::singleShot(300, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->close();
        }
    });
    menu->findChild<QAction*>("cmd32761")->trigger();
    EXPECT_EQ(host().get(DispCaptureDIBFile).value.toString(), env.file("kept.bmp"));
    menu->close();
}

}  // namespace
}  // namespace brindle::orvalis::hosted

namespace brindle::orvalis::hosted {
namespace {

// Pictures for docs/: run by scripts/orvalis_screenshots.sh under Xvfb with
// BRINDLE_SCREENSHOTS naming the folder; skipped otherwise.
TEST_F(OrvalisPagesTest, Screenshots) {
    const QString folder = qEnvironmentVariable("BRINDLE_SCREENSHOTS");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "pictures are made by scripts/orvalis_screenshots.sh";
    }
    auto settle = [] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
        while (std::chrono::steady_clock::now() < until) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    };
    window.resize(340, 260);
    window.show();
    host().put(DispPreview, true);
    settle();
    ASSERT_TRUE(window.grab().save(folder + "/orvalis-control.png"));
    auto* tabs = sheet->findChild<QTabWidget*>();
    sheet->show();
    const char* names[] = {"general", "display", "capture", "audio", "dialogs"};
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        settle();
        ASSERT_TRUE(sheet->grab().save(folder + "/orvalis-page-" + names[i] + ".png"));
    }
    sheet->close();
    QTimer::singleShot(700, [folder] {
        if (QWidget* about = QApplication::activeModalWidget()) {
            about->grab().save(folder + "/orvalis-about.png");
            about->close();
        }
    });
    host().call(DispAboutBox);
    EXPECT_TRUE(QFile::exists(folder + "/orvalis-about.png"));
}

}  // namespace
}  // namespace brindle::orvalis::hosted
