#include "platform/messages.h"

#include "platform/stringtable.h"
#include "tests/support/message_recorder.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>

namespace brindle {
namespace {

TEST(StringTable, ParsesVerbatimTextBetweenTheOuterQuotes) {
    const StringTable t = StringTable::fromText(
        "# comment\n"
        "\n"
        "102 \" Slide \"\n"
        "163 \"Software\\Quenby\\Velmora\"\r\n"
        "7 \"say \"hi\" twice\"\n"
        "bad line\n"
        "8 \"unterminated\n");
    EXPECT_EQ(t.text(102), " Slide ");
    EXPECT_EQ(t.text(163), "Software\\Quenby\\Velmora");
    EXPECT_EQ(t.text(7), "say \"hi\" twice");
    EXPECT_FALSE(t.contains(8));
    EXPECT_EQ(t.errors().size(), 2);
    EXPECT_EQ(t.text(999), "");
}

TEST(StringTable, DuplicateNumbersAreReported) {
    const StringTable t = StringTable::fromText("1 \"a\"\n1 \"b\"\n");
    EXPECT_EQ(t.errors().size(), 1);
}

// An entry may carry its name between number and text; a line with a name
// that is no identifier, or with more than one word, is malformed.
TEST(StringTable, NamedEntriesKeepTheirTextAndNumber) {
    const StringTable t = StringTable::fromText(
        "147 AppTitle \"Velmora\"\n"
        "3 \"unnamed\"\n"
        "4 Two Words \"x\"\n"
        "5 9lives \"x\"\n"
        "6 Caf\u00e9 \"x\"\n"
        "7 AppTitle \"again\"\n");
    EXPECT_EQ(t.text(147), "Velmora");
    EXPECT_EQ(t.number("AppTitle"), 147) << "the first of two entries with one name";
    EXPECT_EQ(t.text(3), "unnamed");
    EXPECT_FALSE(t.contains(4));
    EXPECT_FALSE(t.contains(5));
    EXPECT_FALSE(t.contains(6));
    EXPECT_EQ(t.number("Nothing"), 0);
    EXPECT_EQ(t.errors().size(), 4) << t.errors().join("\n").toStdString();
}

// Every table that ships reads without a single malformed line.
TEST(StringTable, ShippedTablesAreWellFormed) {
    const StringTable& program = programStrings();
    EXPECT_TRUE(program.errors().isEmpty()) << program.errors().join("\n").toStdString();
    EXPECT_GT(program.size(), 100);
    const QDir dir(QStringLiteral(BRINDLE_STRINGS_DIR));
    const QStringList tables = dir.entryList({"*.strings"}, QDir::Files);
    ASSERT_FALSE(tables.isEmpty());
    for (const QString& name : tables) {
        const StringTable t = StringTable::fromFile(dir.filePath(name));
        EXPECT_TRUE(t.errors().isEmpty())
            << name.toStdString() << ": " << t.errors().join("\n").toStdString();
        EXPECT_GT(t.size(), 0) << name.toStdString();
    }
}

TEST(StringTable, ProgramTextsWordForWord) {
    EXPECT_EQ(LoadResString(147), "Velmora");
    EXPECT_EQ(LoadResString(163), "Software\\Quenby\\Velmora");
    EXPECT_EQ(LoadResString(135),
              "Internal Error: A failure has occurred while updating the project database.");
    EXPECT_EQ(LoadResString(162),
              "This application is already running.  Please use the File/Open menu item in that "
              "program to open this file.");
    EXPECT_EQ(LoadResString(91), "&Edit ");
    EXPECT_EQ(LoadResString(102), " Slide ");
    EXPECT_EQ(LoadResString(165), "C:\\uploads");
}

TEST(MessageBoxes, RecorderSeesNumberTextTitleAndAnswers) {
    test::MessageRecorder recorder;
    recorder.script({vbNo});
    gAppTitle.clear();
    EXPECT_EQ(MsgBox(74, MsgButtons::YesNoCancel, MsgIcon::Question), vbNo);
    EXPECT_EQ(MsgBox(74, MsgButtons::YesNoCancel), vbCancel);  // script used up: default
    EXPECT_EQ(MsgBoxText(67, LoadResString(67) + "x.wav"), vbOK);
    ASSERT_EQ(recorder.requests().size(), 3);
    EXPECT_EQ(recorder.numbers(), (QList<int>{74, 74, 67}));
    EXPECT_EQ(recorder.requests()[0].title, "Velmora");
    EXPECT_EQ(recorder.requests()[0].text, LoadResString(74));
    EXPECT_EQ(recorder.requests()[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_TRUE(recorder.requests()[2].text.endsWith("x.wav"));
}

TEST(MessageBoxes, RecordersNestAndRestore) {
    test::MessageRecorder outer;
    {
        test::MessageRecorder inner;
        MsgBox(135);
        EXPECT_EQ(inner.numbers(), QList<int>{135});
    }
    MsgBox(148);
    EXPECT_EQ(outer.numbers(), QList<int>{148});
}

// The real box: shown with the title and the system's buttons, and the
// button pressed is what the caller gets.
TEST(MessageBoxes, RealBoxCarriesTitleAndReturnsThePressedButton) {
    ASSERT_EQ(messageSink(), nullptr);
    QString seenTitle, seenText;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                seenTitle = box->windowTitle();
                seenText = box->text();
                box->button(QMessageBox::No)->click();
            }
        }
    });
    EXPECT_EQ(MsgBox(74, MsgButtons::YesNoCancel, MsgIcon::Question), vbNo);
    EXPECT_EQ(seenTitle, "Velmora");
    EXPECT_EQ(seenText, LoadResString(74));
}

}  // namespace
}  // namespace brindle
