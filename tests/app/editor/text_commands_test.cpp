// The text commands from the editor's side: the Text button, Edit on a text
// slide and the caption button open their dialogs, and what they make goes
// all the way to the player.
#include "app/editor/editor_window.h"
#include "app/editor/slide_strip.h"
#include "app/editor/strip_state.h"
#include "app/media/real_text_form.h"
#include "app/media/text_caption_form.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "tests/app/editor/editor_fixture.h"
#include "tests/support/program_run.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace brindle::test {
namespace {

// The title region of the presentation's layout.
const QRect kTitles(5, 5, 320, 240);

// Runs `drive` on the modal dialog of type D once it is shown.
template <class D>
void whenShown(std::function<void(D&)> drive, bool* seen) {
    QTimer::singleShot(0, [drive, seen] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        *seen = dialog != nullptr;
        if (dialog != nullptr) {
            drive(*dialog);
        }
    });
}

// The first row of the region holding text in the yellow of scheme 0.
int firstTextRow(const QImage& frame) {
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const QColor c = frame.pixelColor(x, y);
            if (c.red() > 160 && c.green() > 160 && c.blue() < 100) {
                EXPECT_TRUE(kTitles.contains(x, y)) << x << "," << y;
                return y;
            }
        }
    }
    return -1;
}

class TextCommandsTest : public EditorFixture {
protected:
    // A new text slide through the Text button, typed and chosen as a user
    // does.
    void addThroughTheDialog(const QString& text, int size, int scheme) {
        bool seen = false;
        whenShown<realText>(
            [&](realText& form) {
                QTest::keyClicks(form.Text1(), text);
                form.Combo1()->setCurrentIndex(size);
                form.Combo2()->setCurrentIndex(scheme);
                QTest::mouseClick(form.Done(), Qt::LeftButton);
            },
            &seen);
        QTest::mouseClick(frame->editor()->button("Text"), Qt::LeftButton);
        EXPECT_TRUE(seen);
    }
};

TEST_F(TextCommandsTest, TheTextButtonAddsASlideThatScrollsInThePlayer) {
    QString text;
    for (int i = 0; i < 16; ++i) {
        text += QStringLiteral("Line number %1 here. ").arg(i);
    }
    addThroughTheDialog(text, 1, 0);
    ASSERT_EQ(gProject.count(), 1);
    EXPECT_EQ(gProject.Item(1)->mediaType, MediaText);
    EXPECT_EQ(gSelectedSlide, 1);
    EXPECT_TRUE(gProjectChanged);
    frame->setupContextMenu(1);
    EXPECT_TRUE(frame->item("mnuEdit")->isEnabled());
    EXPECT_EQ(frame->item("mnuEdit")->text(), "&Edit  Text Slide 1");
    EXPECT_TRUE(messages.numbers().isEmpty());

    gProjectFile = env.file("story.bqx");
    gProjectName = projectNameOf(gProjectFile);
    ASSERT_EQ(riteProject(false), 0);
    const ProgramRun present = runProgram("brindle-cli", {"present", gProjectFile});
    ASSERT_EQ(present.status, 0) << present.err.toStdString();
    const QString preview = present.out.trimmed().split('\n').last();
    const QString smil = preview + "/preView.smi";
    const QByteArray rt = fileContents(preview + "/maintext1.rt");
    const QRegularExpressionMatch rate =
        QRegularExpression("scrollrate=\"(\\d+)\"").match(QString::fromUtf8(rt));
    ASSERT_TRUE(rate.hasMatch()) << rt.left(200).toStdString();
    const int pixelsPerSecond = rate.captured(1).toInt();
    EXPECT_GE(pixelsPerSecond, 15);

    int rows[2] = {-1, -1};
    const int times[2] = {1000, 3000};
    for (int i = 0; i < 2; ++i) {
        const QString png = env.file(QStringLiteral("frame%1.png").arg(i));
        const ProgramRun shot =
            runProgram("brindle-player", {"--frame", QString::number(times[i]), png, smil});
        ASSERT_EQ(shot.status, 0) << shot.err.toStdString();
        rows[i] = firstTextRow(QImage(png));
        ASSERT_GE(rows[i], kTitles.top()) << times[i];
    }
    const int moved = rows[0] - rows[1];
    EXPECT_NEAR(moved, pixelsPerSecond * (times[1] - times[0]) / 1000, 2);
}

TEST_F(TextCommandsTest, EditOpensTheSlidesTextAndCaptionButtonItsCaption) {
    addThroughTheDialog("Before", 0, 0);
    ASSERT_EQ(gProject.count(), 1);
    MediaElement* r = gProject.Item(1);
    const QByteArray thumbnail = fileContents(r->Thumbnail);
    gProjectChanged = false;

    bool seen = false;
    QString shownText;
    whenShown<realText>(
        [&](realText& form) {
            shownText = form.Text1()->toPlainText();
            form.Text1()->selectAll();
            QTest::keyClicks(form.Text1(), "After");
            form.Combo2()->setCurrentIndex(3);
            QTest::mouseClick(form.Done(), Qt::LeftButton);
        },
        &seen);
    frame->setupContextMenu(1);
    frame->item("mnuEdit")->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(shownText, "Before");
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_EQ(fileContents(r->Filename), "After\r\n");
    EXPECT_EQ(r->ForeColor, 3);
    EXPECT_NE(fileContents(r->Thumbnail), thumbnail);
    EXPECT_TRUE(gProjectChanged);

    seen = false;
    whenShown<textCaption>(
        [&](textCaption& form) {
            EXPECT_TRUE(form.Text1()->text().isEmpty());
            QTest::keyClicks(form.Text1(), "A caption");
            QTest::mouseClick(form.Done(), Qt::LeftButton);
        },
        &seen);
    QTest::mouseClick(frame->strip()->cell(0).ElemText, Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_EQ(r->Caption, "A caption");
    EXPECT_TRUE(frame->isEnabled());  // undimmed again
}

}  // namespace
}  // namespace brindle::test
