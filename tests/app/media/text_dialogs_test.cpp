// The text slide editor and the text caption dialog, driven with real key
// and mouse events offscreen.
#include "app/media/real_text_form.h"
#include "app/media/text_box_layout.h"
#include "app/media/text_caption_form.h"
#include "app/media/text_slide.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QXmlStreamReader>

namespace brindle {
namespace {

using test::fileContents;

class TextDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        gTempFolder = env.file("Temp");
        gWorkFolder = env.file("Work");
        QDir().mkpath(gTempFolder);
        QDir().mkpath(gWorkFolder);
        gProject.clear();
        resetCounters();
        gProjectChanged = false;
        setTextSlideAdder({});
    }
    void TearDown() override { gProject.clear(); }

    // A text slide made through the dialog.
    int addSlide(const QString& text, int size = 0, int scheme = 0, bool centre = false) {
        realText form;
        form.initTheForm({}, size, scheme, centre ? 1 : 0);
        form.Text1()->setPlainText(text);
        QTest::mouseClick(form.Done(), Qt::LeftButton);
        return form.savedSlide();
    }

    test::TempEnv env;
    test::MessageRecorder messages;
};

TEST_F(TextDialogs, RealTextControlsAndTheirEffects) {
    realText form;
    EXPECT_EQ(form.Combo1()->count(), 3);
    EXPECT_EQ(form.Combo1()->itemText(1), "Medium Font");
    EXPECT_EQ(form.Combo2()->itemText(3), "White on Black");
    EXPECT_EQ(form.Check1()->text(), "Center");
    EXPECT_EQ(form.Done()->text(), "OK");

    // Bigger fonts show fewer lines and scroll faster; both boxes follow.
    int lastVisible = 1000;
    for (int i = 0; i < 3; ++i) {
        form.Combo1()->setCurrentIndex(i);
        EXPECT_LT(form.visibleLines(), lastVisible);
        EXPECT_GT(form.visibleLines(), 0);
        lastVisible = form.visibleLines();
        EXPECT_EQ(form.scrollRate(), (i + 2) * 5);
        EXPECT_EQ(form.Text2()->font(), form.Text1()->font());
    }
    EXPECT_EQ(form.Text1()->font().family(), "Arial");

    form.Combo2()->setCurrentIndex(1);  // blue on yellow
    EXPECT_EQ(form.Text1()->palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_EQ(form.Text2()->palette().color(QPalette::Text), QColor(0, 0, 255));

    // Whichever box is shown, the other keeps the same text.
    form.show();
    QTest::mouseClick(form.Check1(), Qt::LeftButton);
    EXPECT_TRUE(form.Text2()->isVisible());
    EXPECT_FALSE(form.Text1()->isVisible());
    form.Text2()->setFocus();
    QTest::keyClicks(form.Text2(), "centred");
    EXPECT_EQ(form.Text1()->toPlainText(), "centred");
}

TEST_F(TextDialogs, NewSlideStartsWithTheHintSelectedAndTypingReplacesIt) {
    realText form;
    form.initTheForm({}, 0, 0, 0);
    form.show();
    EXPECT_EQ(form.Text1()->toPlainText(), "Your Text Goes Here");
    QTest::keyClicks(form.Text1(), "Hello");
    EXPECT_EQ(form.Text1()->toPlainText(), "Hello");
    EXPECT_EQ(form.Text2()->toPlainText(), "Hello");
}

TEST_F(TextDialogs, EditingReadsTheSlidesLinesInEitherEncoding) {
    realText form;
    form.initTheForm(env.write("utf8.txt", "caf\xC3\xA9 \xF0\x9F\x98\x80\r\nline two\r\n"), 2, 3,
                     1);
    EXPECT_EQ(form.Text1()->toPlainText(),
              QString::fromUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80\nline two"));
    EXPECT_EQ(form.Combo1()->currentIndex(), 2);
    EXPECT_EQ(form.Combo2()->currentIndex(), 3);
    EXPECT_TRUE(form.Check1()->isChecked());
    // An old file in Windows-1252: the euro sign and curly quotes.
    form.initTheForm(env.write("old.txt", "\x80 \x93quoted\x94\r\n"), 0, 0, 0);
    EXPECT_EQ(form.Text1()->toPlainText(),
              QString::fromUtf8("\xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D"));
}

TEST_F(TextDialogs, TheBoxWrapsLikeTheWindowlessLayout) {
    QString text;
    for (int i = 0; i < 60; ++i) {
        text += QStringLiteral("word%1 ").arg(i * 37);
    }
    text += "\n\nAVeryLongWordThatCannotFitOnOneLineOfTheBoxAtAnySizeWhatsoeverXXXXXXXXXXXX";
    realText form;
    form.show();
    form.Text1()->setPlainText(text);
    for (int size = 0; size < 3; ++size) {
        form.Combo1()->setCurrentIndex(size);
        const WrappedText box = wrappedLines(form.Text1()->document());
        const WrappedText bare = wrapLikeTextBox(text, textBoxFont(size));
        EXPECT_EQ(box.lines, bare.lines) << size;
        EXPECT_GT(box.lines.size(), 4) << size;
        EXPECT_EQ(box.lines.join(QString()).remove(' '), QString(text).remove(' ').remove('\n'));
        EXPECT_EQ(box.characters, text.size());
    }
}

TEST_F(TextDialogs, OkAddsASlideWithItsFilesAndLook) {
    const int slide = addSlide("Ten chars!", 1, 2, true);
    ASSERT_EQ(slide, 1);
    const MediaElement* r = gProject.Item(1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->mediaType, MediaText);
    EXPECT_EQ(r->Duration, 5000);
    EXPECT_EQ(r->PointSize, 1);
    EXPECT_EQ(r->ForeColor, 2);
    EXPECT_EQ(r->Alignment, 1);
    EXPECT_TRUE(gProjectChanged);
    EXPECT_EQ(fileContents(r->Filename), "Ten chars!\r\n");
    EXPECT_EQ(fileContents(r->InfoFilename), fileContents(textMarkupScratch()));
    EXPECT_TRUE(fileContents(r->InfoFilename).contains("<center>\r\nTen chars!\r\n</center>"));
    EXPECT_TRUE(QFile::exists(r->Thumbnail));
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(TextDialogs, OkOnALongTextScrollsIt) {
    QString text;
    for (int i = 0; i < 40; ++i) {
        text += QStringLiteral("Line %1\n").arg(i);
    }
    ASSERT_EQ(addSlide(text, 0, 0, false), 1);
    const QByteArray rt = fileContents(gProject.Item(1)->InfoFilename);
    EXPECT_FALSE(rt.contains("scrollrate=\"0\""));
    EXPECT_TRUE(rt.contains("<br/>\r\n<br/>\r\n"));
    EXPECT_GT(gProject.Item(1)->Duration, 5000);
}

TEST_F(TextDialogs, EditingUpdatesTheSlideAndCancelChangesNothing) {
    ASSERT_EQ(addSlide("First text"), 1);
    MediaElement* r = gProject.Item(1);
    const QString file = r->Filename;
    gProjectChanged = false;
    {
        realText form;
        form.initTheForm(r->Filename, r->PointSize, r->ForeColor, r->Alignment, 1);
        EXPECT_EQ(form.Text1()->toPlainText(), "First text");
        form.Text1()->setPlainText("Second text, a bit longer than the first");
        QTest::mouseClick(form.Cancel(), Qt::LeftButton);
    }
    EXPECT_FALSE(gProjectChanged);
    EXPECT_EQ(fileContents(file), "First text\r\n");

    realText form;
    form.initTheForm(r->Filename, r->PointSize, r->ForeColor, r->Alignment, 1);
    form.Combo2()->setCurrentIndex(3);
    form.Text1()->setPlainText("Second text");
    QTest::mouseClick(form.Done(), Qt::LeftButton);
    EXPECT_EQ(form.savedSlide(), 1);
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_EQ(r->Filename, file);
    EXPECT_EQ(fileContents(file), "Second text\r\n");
    EXPECT_EQ(r->ForeColor, 3);
    EXPECT_TRUE(fileContents(r->InfoFilename).contains("bgcolor=\"black\""));
    EXPECT_TRUE(gProjectChanged);

    // A slide whose text file has gone is edited, not added again.
    ASSERT_TRUE(QFile::remove(file));
    realText lost;
    lost.initTheForm(file, 0, 0, 0, 1);
    lost.Text1()->setPlainText("Third");
    QTest::mouseClick(lost.Done(), Qt::LeftButton);
    EXPECT_EQ(lost.savedSlide(), 1);
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_EQ(fileContents(file), "Third\r\n");
}

TEST_F(TextDialogs, FailedWriteKeepsTheSlideAsItWas) {
    ASSERT_EQ(addSlide("Kept text"), 1);
    MediaElement* r = gProject.Item(1);
    const QByteArray text = fileContents(r->Filename), markup = fileContents(r->InfoFilename),
                     thumb = fileContents(r->Thumbnail);
    gProjectChanged = false;
    ASSERT_TRUE(QDir(gTempFolder).removeRecursively());
    // The folder cannot be made again: a file stands where it was.
    ASSERT_TRUE(QFile(gTempFolder).open(QIODevice::WriteOnly));

    realText form;
    form.initTheForm(r->Filename, 0, 0, 0, 1);
    form.Text1()->setPlainText("Lost?");
    QTest::mouseClick(form.Done(), Qt::LeftButton);
    EXPECT_EQ(messages.numbers(), QList<int>{str::TextFileUnwritten});
    EXPECT_EQ(form.savedSlide(), 0);
    EXPECT_EQ(form.Text1()->toPlainText(), "Lost?");  // still there to try again
    EXPECT_EQ(fileContents(r->Filename), text);
    EXPECT_EQ(fileContents(r->InfoFilename), markup);
    EXPECT_EQ(fileContents(r->Thumbnail), thumb);
    EXPECT_FALSE(gProjectChanged);

    // A new slide is not added half-way either.
    realText fresh;
    fresh.initTheForm({}, 0, 0, 0);
    QTest::mouseClick(fresh.Done(), Qt::LeftButton);
    EXPECT_EQ(gProject.count(), 1);
}

TEST_F(TextDialogs, CaptionChangesOnlyWhenTheTextDiffers) {
    ASSERT_EQ(addSlide("Slide"), 1);
    MediaElement* r = gProject.Item(1);
    r->Caption = "Old";
    gProjectChanged = false;
    {
        textCaption form;
        EXPECT_EQ(form.Label1()->text(), "Enter Caption:");
        form.initTheForm(1);
        EXPECT_EQ(form.Text1()->text(), "Old");
        QTest::mouseClick(form.Done(), Qt::LeftButton);
        EXPECT_FALSE(gProjectChanged);
    }
    {
        textCaption form;
        form.initTheForm(1);
        form.show();
        QTest::keyClicks(form.Text1(), "New");
        QTest::mouseClick(form.Cancel(), Qt::LeftButton);
        EXPECT_EQ(r->Caption, "Old");
        EXPECT_FALSE(gProjectChanged);
    }
    {
        textCaption form;
        form.initTheForm(1);
        form.Text1()->setText("old");  // case counts
        QTest::mouseClick(form.Done(), Qt::LeftButton);
        EXPECT_EQ(r->Caption, "old");
        EXPECT_TRUE(gProjectChanged);
    }
    textCaption form;
    form.initTheForm(1);
    form.Text1()->clear();
    QTest::mouseClick(form.Done(), Qt::LeftButton);
    EXPECT_TRUE(r->Caption.isEmpty());
}

}  // namespace
}  // namespace brindle

namespace brindle {
namespace {

// Texts a user may type or paste that the markup cannot hold as they are.
TEST_F(TextDialogs, OddTextsGiveWellFormedWholeFiles) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80\xE6\xBC\xA2\xE5\xAD\x97");
    const QString longText = QStringLiteral("word ").repeated(19600) + QString(2000, 'w');
    ASSERT_EQ(longText.size(), 100000);
    const QStringList texts{longText, QString(60, '\n'), "a<b>c & d &amp; e", "one\rtwo\r\nthree",
                            emoji + " " + emoji};
    int n = 0;
    for (const QString& text : texts) {
        ASSERT_EQ(addSlide(text), ++n) << n;
        const MediaElement* r = gProject.Item(n);
        const QByteArray rt = fileContents(r->InfoFilename);
        QXmlStreamReader xml(rt);
        while (!xml.atEnd()) {
            xml.readNext();
        }
        EXPECT_FALSE(xml.hasError()) << n << ": " << xml.errorString().toStdString();
        // The plain-text copy holds every character typed, line breaks
        // aside, and reads back into the box as it was typed.
        const QString plain = QString::fromUtf8(fileContents(r->Filename));
        EXPECT_EQ(QString(plain).remove("\r\n"), QString(text).remove('\r').remove('\n')) << n;
        realText again;
        again.initTheForm(r->Filename, 0, 0, 0, n);
        EXPECT_EQ(again.Text1()->toPlainText().remove('\n'),
                  QString(text).remove('\r').remove('\n'))
            << n;
    }
    EXPECT_TRUE(messages.numbers().isEmpty());
}

}  // namespace
}  // namespace brindle
