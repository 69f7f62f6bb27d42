// A text slide's thumbnail: drawn in the slide's look, and matching what the
// player shows first for the same slide.
#include "app/capture/text_card.h"

#include "tests/support/program_run.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>

namespace brindle {
namespace {

// Where pixels of the text colour lie: their bounding box and count.
struct Ink {
    QRect box;
    int count = 0;
};

Ink inkOf(const QImage& image, const QRect& area, const QColor& text, const QColor& back) {
    Ink ink;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            auto distance = [&c](const QColor& to) {
                return std::abs(c.red() - to.red()) + std::abs(c.green() - to.green()) +
                       std::abs(c.blue() - to.blue());
            };
            if (distance(text) < distance(back)) {
                ++ink.count;
                ink.box |= QRect(x - area.left(), y - area.top(), 1, 1);
            }
        }
    }
    return ink;
}

class TextCardTest : public ::testing::Test {
protected:
    QString slide(const QString& name, const QString& rt, const QString& txt) {
        env.write(name + ".rt", rt.toUtf8());
        return env.write(name + ".txt", txt.toUtf8());
    }
    static QString markup(const char* back, const char* fore, const char* size, bool centre,
                          const QString& line) {
        return QStringLiteral(
                   "<window type=\"scrollingnews\" scrollrate=\"0\" duration=\"5\" "
                   "bgcolor=\"%1\" width=\"320\" height=\"240\" >\r\n<b>\r\n<font "
                   "color=\"%2\" size=\"%3\" face=\"Arial\">\r\n%4</font>\r\n</b>\r\n"
                   "</window>\r\n")
            .arg(back, fore, size,
                 centre ? "<center>\r\n" + line + "\r\n</center>\r\n" : "<br/>" + line + "\r\n");
    }
    test::TempEnv env;
};

TEST_F(TextCardTest, DrawnInTheSlidesSizeAndAlignment) {
    const QRect all(0, 0, 320, 240);
    const QImage small = drawTextCard(slide("s", markup("white", "black", "2", false, "Hi"), "Hi"));
    const QImage large = drawTextCard(slide("l", markup("white", "black", "7", false, "Hi"), "Hi"));
    const QImage centred =
        drawTextCard(slide("c", markup("white", "black", "7", true, "Hi"), "Hi\r\n"));
    ASSERT_EQ(small.size(), QSize(320, 240));
    const Ink s = inkOf(small, all, Qt::black, Qt::white);
    const Ink l = inkOf(large, all, Qt::black, Qt::white);
    const Ink c = inkOf(centred, all, Qt::black, Qt::white);
    EXPECT_GT(l.box.height(), 2 * s.box.height());
    EXPECT_LT(l.box.left(), 10);
    EXPECT_NEAR(c.box.center().x(), 160, 12);
    EXPECT_LT(c.box.top(), l.box.top()) << "a left-aligned line follows a break";

    // No markup beside the text: yellow on blue.
    const QString bare = env.write("bare.txt", "Plain\r\n");
    const QImage plain = drawTextCard(bare);
    EXPECT_EQ(plain.pixelColor(300, 230), QColor(Qt::blue));
    EXPECT_GT(inkOf(plain, all, Qt::yellow, Qt::blue).count, 20);
}

// Each colour scheme's thumbnail beside the player's first frame of the
// same slide, made by brindle-cli and shown by brindle-player.
TEST_F(TextCardTest, ThumbnailsLookLikeThePlayersFirstFrame) {
    const QString bqx = env.file("looks.bqx");
    const char* fore[] = {"yellow", "blue", "black", "white"};
    const char* back[] = {"blue", "yellow", "white", "black"};
    for (int scheme = 0; scheme < 4; ++scheme) {
        QStringList args{"text",
                         bqx,
                         QStringLiteral("Scheme %1 text").arg(scheme),
                         "--scheme",
                         QString::number(scheme),
                         "--size",
                         QString::number(scheme % 3)};
        if (scheme % 2 == 1) {
            args << "--center";
        }
        const test::ProgramRun run = test::runProgram("brindle-cli", args);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
    }
    const test::ProgramRun present = test::runProgram("brindle-cli", {"present", bqx});
    ASSERT_EQ(present.status, 0) << present.err.toStdString();
    const QString preview = present.out.trimmed().split('\n').last();
    const QString smil = QString::fromUtf8(test::fileContents(preview + "/preView.smi"));
    const QString unpacked = env.file("unpacked");
    ASSERT_EQ(QProcess::execute("unzip", {"-q", "-o", bqx, "-d", unpacked}), 0);

    const QRect titles(5, 5, 320, 240);
    for (int scheme = 0; scheme < 4; ++scheme) {
        const int n = scheme + 1;
        const QRegularExpressionMatch begin =
            QRegularExpression(QStringLiteral("begin=\"([0-9.]+)s\" id=\"mainDisplay%1\"").arg(n))
                .match(smil);
        ASSERT_TRUE(begin.hasMatch()) << n;
        const QString png = env.file(QStringLiteral("frame%1.png").arg(n));
        const int ms = static_cast<int>(begin.captured(1).toDouble() * 1000) + 40;
        ASSERT_EQ(test::runProgram("brindle-player",
                                   {"--frame", QString::number(ms), png, preview + "/preView.smi"})
                      .status,
                  0);
        const QImage frame(png);
        const QImage thumb(QStringLiteral("%1/text%2T.jpg").arg(unpacked).arg(n));
        ASSERT_EQ(thumb.size(), QSize(320, 240)) << n;
        const QColor text = QColor::fromString(fore[scheme]);
        const QColor ground = QColor::fromString(back[scheme]);

        // Same background.
        const QColor corner = thumb.pixelColor(315, 235);
        EXPECT_LT(std::abs(corner.red() - ground.red()) + std::abs(corner.blue() - ground.blue()),
                  30)
            << n;
        EXPECT_EQ(frame.pixelColor(titles.right() - 4, titles.bottom() - 4), ground) << n;
        // The text in the same place, about as much of it.
        const Ink shown = inkOf(frame, titles, text, ground);
        const Ink drawn = inkOf(thumb, QRect(0, 0, 320, 240), text, ground);
        ASSERT_GT(shown.count, 30) << n;
        EXPECT_NEAR(drawn.box.left(), shown.box.left(), 3) << n;
        EXPECT_NEAR(drawn.box.top(), shown.box.top(), 3) << n;
        EXPECT_NEAR(drawn.box.right(), shown.box.right(), 4) << n;
        EXPECT_NEAR(drawn.box.bottom(), shown.box.bottom(), 3) << n;
        EXPECT_NEAR(drawn.count, shown.count, shown.count * 0.3) << n;
    }
}

}  // namespace
}  // namespace brindle
