// The text slide's timing rule and its two files, compared byte for byte
// with golden files; the markup is also read back by an XML reader.
#include "app/media/text_slide_markup.h"

#include "tests/support/golden_file.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QXmlStreamReader>

namespace brindle {
namespace {

using test::matchesGolden;

QString golden(const QString& name) {
    return QStringLiteral(BRINDLE_MEDIA_GOLDEN_DIR "/") + name;
}

TEST(TextTiming, TextsThatFitLastCharactersDivEightOrFiveSeconds) {
    // 10 characters: 10 div 8 = 1, below 2, so 5 seconds; 40: 5; 16: 2.
    for (const auto& [chars, seconds] : {std::pair{10, 5}, {40, 5}, {16, 2}, {0, 5}, {800, 100}}) {
        const TextTiming t = textTiming(1, chars, 13, 10);
        EXPECT_EQ(t.scrollRate, 0) << chars;
        EXPECT_EQ(t.seconds, seconds) << chars;
    }
    // As many lines as fit do not scroll.
    EXPECT_FALSE(textTiming(8, 100, 8, 10).scrolls());
}

TEST(TextTiming, OverflowScrollsAtTheFontsRateOrSlowerForShortLines) {
    // 12 lines of 20 characters in 8 visible: 40 x 12 / 17.5 = 27.4.
    const TextTiming t = textTiming(12, 240, 8, 10);
    EXPECT_EQ(t.scrollRate, 10);
    EXPECT_EQ(t.seconds, 27);
    EXPECT_EQ(leadingBreaks(8), 5);
    // Under 5 characters a line: R = 15 x 31 / 30 = 15.5, to even 16;
    // D = (320 / 13) x 30 / 28 = 26.37.
    const TextTiming s = textTiming(30, 30, 13, 15);
    EXPECT_EQ(s.scrollRate, 16);
    EXPECT_EQ(s.seconds, 26);
}

TEST(TextTiming, HalvesRoundToEven) {
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(4.4999), 4);
    EXPECT_EQ(leadingBreaks(5), 3);  // 2.5 -> 2, + 1
    EXPECT_EQ(leadingBreaks(7), 5);  // 3.5 -> 4, + 1
}

TEST(TextTiming, NoVisibleLineDoesNotDivideByZero) {
    // A huge font in the box: not one whole line fits.
    const TextTiming t = textTiming(3, 60, 0, 20);
    EXPECT_TRUE(t.scrolls());
    EXPECT_GT(t.seconds, 0);
    EXPECT_EQ(leadingBreaks(0), 1);
    // Many short lines cannot slow the rate to 0 either.
    EXPECT_GE(textTiming(100000, 0, 13, 10).scrollRate, 1);
}

class TextFiles : public ::testing::Test {
protected:
    // Writes both files for the lines and checks them against the golden
    // pair "<name>.rt" and "<name>.txt".
    void expectGolden(const QString& name, const QStringList& lines, const TextSlideLook& look,
                      const TextTiming& timing, int visible) {
        const QString rt = env.file(name + ".rt");
        const QString txt = env.file(name + ".txt");
        ASSERT_TRUE(writeTextLines(rt, realTextLines(lines, look, timing, visible)));
        ASSERT_TRUE(writeTextLines(txt, lines));
        EXPECT_TRUE(matchesGolden(rt, golden(name + ".rt")));
        EXPECT_TRUE(matchesGolden(txt, golden(name + ".txt")));
        expectWellFormed(rt);
    }

    static void expectWellFormed(const QString& path) {
        QXmlStreamReader xml(test::fileContents(path));
        while (!xml.atEnd()) {
            xml.readNext();
        }
        EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    }

    static TextSlideLook look(int size, int scheme, bool centred) {
        return {size, scheme, centred, QStringLiteral("Arial")};
    }

    test::TempEnv env;
};

TEST_F(TextFiles, ShortTextsThatFit) {
    const QStringList ten{"Hello Bob!"};
    expectGolden("fits10", ten, look(0, 0, false), textTiming(1, 10, 13, 10), 13);
    expectGolden("fits40", {"Forty characters of text on a line here."}, look(1, 2, false),
                 textTiming(1, 40, 8, 15), 8);
    expectGolden("fits16", {"Sixteen letters!"}, look(2, 3, true), textTiming(1, 16, 4, 20), 4);

    // The first line of the first scheme, spelled out.
    const QStringList markup = realTextLines(ten, look(0, 0, false), textTiming(1, 10, 13, 10), 13);
    EXPECT_EQ(markup.first(),
              "<window type=\"scrollingnews\" scrollrate=\"0\" duration=\"5\" bgcolor=\"blue\" "
              "width=\"320\" height=\"240\" >");
}

TEST_F(TextFiles, OverflowStartsBelowTheWindow) {
    QStringList lines;
    for (int i = 1; i <= 12; ++i) {
        lines << QStringLiteral("Line %1 of the story").arg(i, 2, 10, QChar('0'));
    }
    ASSERT_EQ(lines.first().size(), 20);
    expectGolden("overflow", lines, look(0, 1, false), textTiming(12, 240, 8, 10), 8);
}

TEST_F(TextFiles, AngleBracketsAndAmpersandsAreEscapedOnlyInTheMarkup) {
    expectGolden("escape", {"a<b>c", "Tom & Jerry &lt;3"}, look(0, 0, false),
                 textTiming(2, 23, 13, 10), 13);
}

TEST_F(TextFiles, CentredEmptyLineIsABlank) {
    expectGolden("centred_empty", {"Title", "", "after the gap"}, look(1, 0, true),
                 textTiming(3, 20, 8, 15), 8);
}

TEST_F(TextFiles, AnyTextStaysWellFormedAndWhole) {
    // Characters outside Windows-1252, control characters, and the markup's
    // own syntax in the text.
    const QString odd = QString::fromUtf8("emoji \xF0\x9F\x98\x80 CJK \xE6\xBC\xA2\xE5\xAD\x97 ") +
                        QChar(0x01) + "\"quoted\" ]]> <!-- x --> &amp;";
    const QString rt = env.file("odd.rt");
    ASSERT_TRUE(writeTextLines(rt, realTextLines({odd, QString(100000, 'x')}, look(0, 0, false),
                                                 textTiming(2, 100050, 13, 10), 13)));
    expectWellFormed(rt);
    const QString text = QString::fromUtf8(test::fileContents(rt));
    EXPECT_TRUE(text.contains(QString::fromUtf8("\xF0\x9F\x98\x80 CJK \xE6\xBC\xA2\xE5\xAD\x97")));
    EXPECT_TRUE(text.contains(QString(100000, 'x')));
    EXPECT_FALSE(text.contains(QChar(0x01)));

    const QString txt = env.file("odd.txt");
    ASSERT_TRUE(writeTextLines(txt, {odd}));
    EXPECT_EQ(QString::fromUtf8(test::fileContents(txt)), odd + "\r\n");
}

TEST_F(TextFiles, FailedWriteLeavesNoFile) {
    const QString missing = env.file("gone/realtext.rt");
    EXPECT_FALSE(writeTextLines(missing, {"text"}));
    EXPECT_FALSE(QFile::exists(missing));
}

}  // namespace
}  // namespace brindle
