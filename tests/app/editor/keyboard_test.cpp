// The editor without a mouse: the strip's keys, a key for each add
// command, the tab order, the focus frame, and the names and descriptions a
// screen reader finds in the accessibility tree.
#include "app/capture/capture_select.h"
#include "app/capture/scan_state.h"
#include "app/editor/editor_window.h"
#include "app/editor/slide_strip.h"
#include "app/editor/strip_cell.h"
#include "app/editor/strip_state.h"
#include "app/model/project.h"
#include "platform/messages.h"
#include "tests/app/editor/editor_fixture.h"
#include "tests/support/temp_env.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace brindle::test {
namespace {

class KeyboardTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        gScannerPresent = false;
        gCaptureDriverCount = 0;
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        // A dialog that opens is noted and closed.
        watcher.setInterval(10);
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(w);
                if (dialog != nullptr && dialog->isVisible()) {
                    opened << dialog->metaObject()->className();
                    dialog->reject();
                    return;
                }
            }
        });
        watcher.start();
    }
    void TearDown() override {
        watcher.stop();
        EditorFixture::TearDown();
    }
    SlideStrip* strip() const { return frame->strip(); }
    // The keys go to the strip again (a dialog took the window's focus).
    void focusStrip() {
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        strip()->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(strip()->hasFocus());
    }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : frame.get();
        QTest::keyClick(target, static_cast<Qt::Key>(k), mods);
        QApplication::processEvents();
    }

    QTimer watcher;
    QStringList opened;  // the dialogs that opened, by class
};

TEST_F(KeyboardTest, StripKeysChooseMoveEditAndRemoveSlides) {
    for (int i = 1; i <= 7; ++i) {
        addWithFilesButton({picture(QStringLiteral("%1.jpg").arg(i))});
    }
    focusStrip();
    key(Qt::Key_Home);
    EXPECT_EQ(gSelectedSlide, 1);
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    EXPECT_EQ(gSelectedSlide, 3);
    EXPECT_EQ(gSelectedCell, 2);
    key(Qt::Key_End);
    EXPECT_EQ(gSelectedSlide, 7);
    EXPECT_EQ(gFirstVisible, 3) << "the last slide is scrolled into view";
    EXPECT_EQ(gSelectedCell, 4);
    key(Qt::Key_Right);
    EXPECT_EQ(gSelectedSlide, 7) << "no slide past the last";
    key(Qt::Key_Left);
    EXPECT_EQ(gSelectedSlide, 6);

    // Ctrl+Left moves slide 6 before slide 5; the selection goes with it.
    gProjectChanged = false;
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(slideFiles().mid(3, 3), QStringList({"image4.jpg", "image6.jpg", "image5.jpg"}));
    EXPECT_EQ(gSelectedSlide, 5);
    EXPECT_TRUE(gProjectChanged);
    key(Qt::Key_End);
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(slideFiles().last(), "image7.jpg") << "the last slide stays last";

    // The focus frame lies around the selected cell.
    auto* mark = strip()->findChild<QWidget*>("FocusMark");
    ASSERT_NE(mark, nullptr);
    EXPECT_TRUE(mark->isVisible());
    EXPECT_TRUE(mark->geometry().contains(strip()->cell(gSelectedCell).Element->geometry()));

    // Delete asks; No keeps the slide, Yes removes it.
    messages.script({vbNo});
    key(Qt::Key_Delete);
    EXPECT_EQ(messages.numbers(), QList<int>({1404}));
    EXPECT_EQ(messages.requests().first().buttons, MsgButtons::YesNo);
    EXPECT_EQ(gProject.count(), 7);
    messages.clear();
    messages.script({vbYes});
    key(Qt::Key_Delete);
    EXPECT_EQ(messages.numbers(), QList<int>({1404}));
    EXPECT_EQ(gProject.count(), 6);
    EXPECT_EQ(gSelectedSlide, 6) << "the new last slide";

    // Enter edits the picture; the menu key opens the slide menu there.
    key(Qt::Key_Return);
    EXPECT_EQ(opened, QStringList({"brindle::ScanResult"}));
    focusStrip();
    key(Qt::Key_Menu);
    EXPECT_TRUE(frame->contextMenu()->isVisible());
    EXPECT_EQ(frame->item("mnuEdit")->text(), "&Edit  Image Slide 6");
    frame->contextMenu()->hide();
    focusStrip();
    key(Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(frame->contextMenu()->isVisible());
    frame->contextMenu()->hide();

    // F6 brings the keys back to the strip; the frame goes with the focus.
    frame->editor()->button("Files")->setFocus();
    key(Qt::Key_F6);
    EXPECT_TRUE(strip()->hasFocus());
    focusStrip();
    EXPECT_TRUE(mark->isVisible());
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), strip()->backAudButton());
    EXPECT_FALSE(mark->isVisible());
}

TEST_F(KeyboardTest, EachAddCommandHasItsKey) {
    int chooser = 0;
    dialogs.answer([&](const FileDialogRequest&) {
        ++chooser;
        return QStringList();
    });
    frame->editor()->button("Text")->setFocus();
    // A button's key presses it the way a click does, after a short flash.
    // (The offscreen platform gives the window no focus back after a
    // dialog, as a window manager does.)
    auto press = [&](int k) {
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        key(k, Qt::ControlModifier);
        QTest::qWait(250);
    };
    press(Qt::Key_1);
    press(Qt::Key_2);
    press(Qt::Key_3);
    press(Qt::Key_4);
    press(Qt::Key_5);
    EXPECT_EQ(opened, QStringList({"brindle::realText", "brindle::NoCamera", "brindle::NoCamera"}));
    EXPECT_EQ(chooser, 1);
    EXPECT_EQ(messages.numbers(), QList<int>({70})) << "no scanner";

    // While a dialog dims the editor the keys do nothing.
    frame->dimTheWindow(true);
    press(Qt::Key_2);
    frame->dimTheWindow(false);
    EXPECT_EQ(chooser, 1);
}

// A text slide typed without the mouse: Ctrl+1 opens the editor with the
// text box ready, Ctrl+Enter is its OK.
TEST_F(KeyboardTest, ATextSlideIsTypedAndAcceptedFromTheKeyboard) {
    watcher.stop();
    QTimer::singleShot(300, [this] {
        QWidget* box = QApplication::focusWidget();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->objectName(), "Text1");
        QTest::keyClicks(box, "Our trip");
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClicks(box, "to the sea");
        QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
    });
    key(Qt::Key_1, Qt::ControlModifier);
    QTest::qWait(600);
    ASSERT_EQ(gProject.count(), 1);
    EXPECT_EQ(gProject.Item(1)->mediaType, MediaText);
    EXPECT_EQ(fileContents(gProject.Item(1)->Filename), "Our trip\r\nto the sea\r\n");
}

TEST_F(KeyboardTest, TabFollowsTheWindowFromTheButtonsToTheStrip) {
    addWithFilesButton({picture("a.jpg")});
    frame->editor()->button("Text")->setFocus(Qt::TabFocusReason);
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 9; ++i) {
        key(Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order, QStringList({"Text", "Files", "Scan", "Snap", "Video", "PlayPreview",
                                  "Publish", "Identity", "SlideStrip", "BackAud"}));
}

// Every control in the accessibility tree of the main window.
void collect(QAccessibleInterface* node, QList<QAccessibleInterface*>& out, int depth = 0) {
    if (node == nullptr || depth > 12) {
        return;
    }
    out << node;
    for (int i = 0; i < node->childCount(); ++i) {
        collect(node->child(i), out, depth + 1);
    }
}

TEST_F(KeyboardTest, EveryControlHasAnAccessibleNameAndTheStripSaysWhatIsSelected) {
    addWithFilesButton({picture("a.jpg")});
    addWithFilesButton({clip()});
    addWithFilesButton({picture("c.jpg")});
    gSelectedSlide = 3;
    frame->refreshStrip();
    gProject.Item(3)->Caption = "Harbour at dusk";
    frame->refreshStrip();

    QList<QAccessibleInterface*> nodes;
    collect(QAccessible::queryAccessibleInterface(frame.get()), nodes);
    int controls = 0;
    for (QAccessibleInterface* node : nodes) {
        auto* widget = qobject_cast<QWidget*>(node->object());
        const QAccessible::Role role = node->role();
        const bool control = role == QAccessible::PushButton || role == QAccessible::ButtonMenu ||
                             role == QAccessible::MenuItem || role == QAccessible::ScrollBar;
        if (!control || (widget != nullptr && !widget->isVisible()) || node->state().invisible) {
            continue;
        }
        ++controls;
        EXPECT_FALSE(node->text(QAccessible::Name).trimmed().isEmpty())
            << "no name: " << (widget ? widget->objectName().toStdString() : "menu item");
    }
    EXPECT_GE(controls, 20) << "buttons, cells' buttons, menu bar items, scroll bar";

    for (const char* name : {"Text", "Files", "Scan", "Snap", "Video", "PlayPreview", "Publish"}) {
        QAccessibleInterface* button =
            QAccessible::queryAccessibleInterface(frame->editor()->button(name));
        EXPECT_FALSE(button->text(QAccessible::Description).isEmpty()) << name;
    }
    EXPECT_TRUE(
        QAccessible::queryAccessibleInterface(frame->editor()->button("Files"))
            ->text(QAccessible::Description)
            .contains(QKeySequence(Qt::CTRL | Qt::Key_2).toString(QKeySequence::NativeText)));

    QAccessibleInterface* s = QAccessible::queryAccessibleInterface(strip());
    EXPECT_EQ(s->text(QAccessible::Name), "Slide strip");
    EXPECT_TRUE(s->text(QAccessible::Description).startsWith("Image Slide 3: Harbour at dusk."))
        << s->text(QAccessible::Description).toStdString();
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(strip()->cell(1).Element)->text(QAccessible::Name),
        "Video Slide 2");
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(strip()->cell(1).ElemAud)->text(QAccessible::Name),
        LoadResString(187))
        << "a clip's audio button edits the clip";
}

}  // namespace
}  // namespace brindle::test
