// The readers of the presentation files: times, the SMIL layout and timing
// tree, RealPix heads and effects, RealText windows, text and breaks, and
// what they make of damaged or unusual input.
#include "player/clock_value.h"
#include "player/markup_scanner.h"
#include "player/realpix_reader.h"
#include "player/realtext_reader.h"
#include "player/smil_reader.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

TEST(ClockValues, SmilAndStreamTimes) {
    EXPECT_EQ(parseClockValue("4s"), 4000);
    EXPECT_EQ(parseClockValue("7.333s"), 7333);
    EXPECT_EQ(parseClockValue("12.5"), 12500);
    EXPECT_EQ(parseClockValue(" 0s "), 0);
    EXPECT_EQ(parseClockValue("250ms"), 250);
    EXPECT_EQ(parseClockValue("1.5min"), 90000);
    EXPECT_EQ(parseClockValue("1h"), 3600000);
    EXPECT_EQ(parseClockValue("00:01:02.5"), 62500);
    EXPECT_EQ(parseClockValue("01:02"), 62000);
    EXPECT_EQ(parseClockValue("npt=3s"), 3000);
    for (const char* bad : {"", "-1s", "indefinite", "1e400", "4 s x", "1:2:3:4", "abc", "s"}) {
        EXPECT_FALSE(parseClockValue(bad).has_value()) << bad;
    }
    EXPECT_FALSE(parseClockValue("99999999999999s").has_value());

    EXPECT_EQ(parseStreamTime("9.5"), 9500);
    EXPECT_EQ(parseStreamTime("1:30"), 90000);
    EXPECT_EQ(parseStreamTime("1:00:00:01.250"), 86401250);
    EXPECT_EQ(parseStreamTime("2500", true), 2500);
    EXPECT_FALSE(parseStreamTime("1:2:3:4:5").has_value());
    EXPECT_FALSE(parseStreamTime("x").has_value());
}

TEST(MarkupScanner, ForgivesWhatIsNotXml) {
    markup::Scanner s(
        "<WINDOW Type=scrollingnews duration='5' bgcolor=\"blue\">a &lt; b &amp c"
        "<br/><font size=+1 color=red>x</FONT><unclosed a=1 <b>y</b> 3 < 4");
    markup::Token t = s.next();
    EXPECT_EQ(t.name, "window");
    EXPECT_EQ(t.attr("type"), "scrollingnews");
    EXPECT_EQ(t.attr("duration"), "5");
    EXPECT_EQ(s.next().text, "a < b &amp c");
    t = s.next();
    EXPECT_EQ(t.name, "br");
    EXPECT_TRUE(t.selfClosing);
    t = s.next();
    EXPECT_EQ(t.attr("size"), "+1");
    EXPECT_EQ(t.attr("color"), "red");
    EXPECT_EQ(s.next().text, "x");
    EXPECT_EQ(s.next().kind, markup::Token::Kind::Close);
    t = s.next();
    EXPECT_EQ(t.name, "unclosed");
    EXPECT_EQ(t.attr("a"), "1");
    EXPECT_EQ(s.next().name, "b");
    EXPECT_EQ(s.next().text, "y");
    s.next();
    QString rest;
    for (t = s.next(); t.kind == markup::Token::Kind::Text; t = s.next()) {
        rest += t.text;
    }
    EXPECT_EQ(rest, " 3 < 4");
    EXPECT_EQ(markup::decodeEntities("&#65;&#x42;&gt;&bogus;&"), "AB>&bogus;&");
}

const char* kBrindleSmil =
    "<smil>\r\n<head>\r\n<meta name=\"generator\" content=\"Brindle 0.1.0\" />\r\n"
    "<meta name=\"title\" content=\"no title\" />\r\n <layout>\r\n"
    "  <root-layout background-color=\"black\" width=\"330\" height=\"270\" />\r\n"
    "  <region id=\"videoregion\" top=\"59\" left=\"77\" width=\"176\" height=\"132\" "
    "fit=\"meet\" z-index=\"2\" />\r\n"
    "  <region id=\"capsregion\" top=\"245\" left=\"5\" width=\"320\" height=\"20\" "
    "center=\"1\" />\r\n </layout>\r\n</head>\r\n<body>\r\n<par>\r\n"
    "<audio id=\"audioTrack\" src=\"audios.rm\" region=\"avcaption\" />\r\n"
    "<textstream begin=\"0s\" id=\"mainDisplay1\" src=\"maintext1.rt\" region=\"titlesregion\" "
    "/>\r\n"
    "<video begin=\"4s\" id=\"mainDisplay2\" src=\"video2.rm\" region=\"videoregion\" "
    "fill=\"freeze\" />\r\n</par>\r\n</body>\r\n</smil>\r\n";

TEST(SmilReader, ReadsWhatThePresentationWriterWrites) {
    const SmilReadResult r = readSmil(kBrindleSmil);
    ASSERT_TRUE(r.document) << r.error.toStdString();
    const SmilDocument& d = *r.document;
    EXPECT_EQ(d.width, 330);
    EXPECT_EQ(d.height, 270);
    EXPECT_EQ(d.backgroundColor, "black");
    ASSERT_EQ(d.regions.size(), 2u);
    EXPECT_EQ(d.regions[0].fit, "meet");
    EXPECT_EQ(d.regions[0].zIndex, 2);
    EXPECT_EQ(d.regions[1].fit, "hidden");  // the default
    ASSERT_EQ(d.body.children.size(), 1u);
    const SmilNode& par = d.body.children[0];
    EXPECT_EQ(par.kind, SmilNode::Kind::Par);
    ASSERT_EQ(par.children.size(), 3u);
    EXPECT_EQ(par.children[0].tag, "audio");
    EXPECT_FALSE(par.children[0].beginMs.has_value());
    EXPECT_EQ(par.children[1].beginMs, 0);
    EXPECT_EQ(par.children[1].fill, "");
    EXPECT_EQ(par.children[2].beginMs, 4000);
    EXPECT_EQ(par.children[2].fill, "freeze");
    EXPECT_EQ(par.children[2].src, "video2.rm");
}

TEST(SmilReader, ReportsBrokenFilesWithTheirLine) {
    SmilReadResult r = readSmil("<smil>\n<head>\n<layout>\n</head>\n</smil>\n");
    EXPECT_FALSE(r.document);
    EXPECT_TRUE(r.error.startsWith("line 4")) << r.error.toStdString();
    r = readSmil("<html><body/></html>");
    EXPECT_FALSE(r.document);
    EXPECT_TRUE(r.error.contains("not a SMIL file"));
    EXPECT_FALSE(readSmil("").document);
    EXPECT_FALSE(readSmil(QByteArray("\0\0\0", 3)).document);
    // A presentation nested beyond reason is refused, not recursed into.
    QByteArray deep = "<smil><body>";
    for (int i = 0; i < 5000; ++i) {
        deep += "<par>";
    }
    for (int i = 0; i < 5000; ++i) {
        deep += "</par>";
    }
    deep += "</body></smil>";
    r = readSmil(deep);
    EXPECT_FALSE(r.document);
    // Latin-1 file names (the writer's 8-bit text) still read.
    r = readSmil("<smil><body><img src=\"caf\xe9.jpg\"/></body></smil>");
    ASSERT_TRUE(r.document) << r.error.toStdString();
    EXPECT_EQ(r.document->body.children[0].src, QString::fromUtf8("caf\xc3\xa9.jpg"));
}

TEST(RealPixReader, HeadImagesAndEffectsInStartOrder) {
    const RealPixReadResult r = readRealPix(
        "<imfl>\r\n<head\r\n  timeformat=\"dd:hh:mm:ss.xyz\"\r\n  duration=\"9.5\"\r\n"
        "  bitrate=\"10000\"\r\n  width=\"320\"\r\n  height=\"240\"\r\n  aspect=\"True\"\r\n/>\r\n"
        "<image handle=\"1\" name=\"pix1.jpg\"/>\r\n<image handle=\"3\" name=\"pix3.jpg\"/>\r\n\r\n"
        "<fadein start=\"7\" duration=\"2\" target=\"3\"/>\r\n"
        "<fadein start=\"0\" duration=\"2\" target=\"1\"/>\r\n"
        "<fill start=\"3\" color=\"transparent\"/>\r\n"
        "<wipe start=\"8\" duration=\"1\" target=\"1\" direction=\"right\" dstx=\"10\" "
        "dsty=\"0\" dstw=\"100\" dsth=\"50\"/>\r\n<viewchange start=\"8\"/>\r\n</imfl>\r\n");
    ASSERT_TRUE(r.document);
    const RealPixDocument& d = *r.document;
    EXPECT_EQ(d.durationMs, 9500);
    EXPECT_EQ(d.width, 320);
    EXPECT_TRUE(d.aspect);
    EXPECT_EQ(d.images.value(3), "pix3.jpg");
    ASSERT_EQ(d.effects.size(), 4u);
    EXPECT_EQ(d.effects[0].startMs, 0);
    EXPECT_EQ(d.effects[1].kind, RealPixEffect::Kind::Fill);
    EXPECT_EQ(d.effects[1].color, "transparent");
    EXPECT_EQ(d.effects[2].target, 3);
    EXPECT_EQ(d.effects[3].kind, RealPixEffect::Kind::Wipe);
    EXPECT_EQ(d.effects[3].dst, QRect(10, 0, 100, 50));
}

TEST(RealPixReader, MillisecondTimesAndDamagedInput) {
    RealPixReadResult r = readRealPix(
        "<imfl><head timeformat=milliseconds duration=2500 width=0 height=99999>"
        "<fadein start=\"1500\" duration=\"x\" target=\"1\"><fill color=red></imfl>");
    ASSERT_TRUE(r.document);
    EXPECT_EQ(r.document->durationMs, 2500);
    EXPECT_EQ(r.document->width, 1);  // clamped, never zero
    EXPECT_EQ(r.document->height, 8192);
    ASSERT_EQ(r.document->effects.size(), 1u);  // the fill has no start
    EXPECT_EQ(r.document->effects[0].startMs, 1500);
    EXPECT_EQ(r.document->effects[0].durationMs, 0);
    EXPECT_FALSE(readRealPix("<window>text</window>").document);
}

std::vector<RealTextItem> textItems(const RealTextDocument& d) {
    std::vector<RealTextItem> out;
    for (const RealTextItem& i : d.items) {
        if (i.kind == RealTextItem::Kind::Text && !i.text.trimmed().isEmpty()) {
            out.push_back(i);
        }
    }
    return out;
}

TEST(RealTextReader, CaptionStreamAsThePresentationWriterWritesIt) {
    const RealTextReadResult r = readRealText(
        "<window  bgcolor=\"black\" color=\"white\" duration=\"9.5\">\r\n"
        "<font  color=\"white\" face=\"Arial\" size=\"+1\">\r\n"
        "<time begin=\"0\"/><clear/><center><b>a &lt;b&gt; & c </b></center>\r\n"
        "<time begin=\"3\"/><clear/><center><b> </b></center>\r\n</window>\r\n");
    ASSERT_TRUE(r.document);
    const RealTextDocument& d = *r.document;
    EXPECT_EQ(d.durationMs, 9500);
    EXPECT_EQ(d.type, "generic");
    EXPECT_FALSE(d.scrolls());
    EXPECT_FALSE(d.width.has_value());
    const auto texts = textItems(d);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "a <b> & c ");
    EXPECT_TRUE(texts[0].centered);
    EXPECT_TRUE(texts[0].style.bold);
    EXPECT_EQ(texts[0].style.size, 4);
    EXPECT_EQ(texts[0].style.face, "Arial");
    int clears = 0;
    for (const RealTextItem& i : d.items) {
        if (i.kind == RealTextItem::Kind::Clear) {
            EXPECT_EQ(i.beginMs, clears++ * 3000);
        }
    }
    EXPECT_EQ(clears, 2);
}

TEST(RealTextReader, TextSlideWindowWithBreaksAndBlankCentredLines) {
    const RealTextReadResult r = readRealText(
        "<window type=\"scrollingnews\" scrollrate=\"15\" duration=\"27\" bgcolor=\"blue\" "
        "width=\"320\" height=\"240\" >\r\n<b>\r\n<font color=\"yellow\" size=\"5\" "
        "face=\"Arial\">\r\n"
        "<br/>\r\n<br/>\r\n<center>\r\none\r\n</center>\r\n<center>\r\n \r\n</center>\r\n"
        "<center>\r\ntwo\r\n</center>\r\n</font>\r\n</b>\r\n</window>\r\n");
    ASSERT_TRUE(r.document);
    const RealTextDocument& d = *r.document;
    EXPECT_EQ(d.scrollRate, 15);
    EXPECT_EQ(d.width, 320);
    EXPECT_EQ(d.height, 240);
    EXPECT_EQ(d.bgcolor, "blue");
    const auto texts = textItems(d);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].style.size, 5);
    EXPECT_EQ(texts[0].style.color, "yellow");
    // The blank centred line between "one" and "two" still takes a line: a
    // hard break between them besides the soft ones.
    int hardBetween = 0;
    bool between = false;
    for (const RealTextItem& i : d.items) {
        if (i.kind == RealTextItem::Kind::Text && i.text.trimmed() == "one") {
            between = true;
        } else if (i.kind == RealTextItem::Kind::Text && i.text.trimmed() == "two") {
            between = false;
        } else if (between && i.kind == RealTextItem::Kind::Break && i.hard) {
            ++hardBetween;
        }
    }
    EXPECT_EQ(hardBetween, 1);
    EXPECT_EQ(realTextPixelSize(0), realTextPixelSize(1));
    EXPECT_LT(realTextPixelSize(2), realTextPixelSize(5));
    EXPECT_EQ(realTextPixelSize(99), realTextPixelSize(7));
}

TEST(RealTextReader, OldAndNewTextFilesReadAlike) {
    // The same slide written in UTF-8 (with or without a byte order mark)
    // and in Windows-1252; stray ampersands are text.
    const QByteArray head = "<window type=\"scrollingnews\" scrollrate=\"0\" >\r\n<br/>";
    const QString expected = QString::fromUtf8(
        "\xE2\x82\xAC 5 \xE2\x80\x9C"
        "fish & chips\xE2\x80\x9D; AT&T &nbsp &c caf\xC3\xA9 ");
    for (const QByteArray& body :
         {QByteArray("\xE2\x82\xAC 5 \xE2\x80\x9C"
                     "fish & chips\xE2\x80\x9D; AT&T &nbsp &c caf\xC3\xA9\r\n"),
          QByteArray("\x80 5 \x93"
                     "fish & chips\x94; AT&T &nbsp &c caf\xE9\r\n")}) {
        for (const QByteArray& bom : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
            if (!bom.isEmpty() && body.contains('\x93')) {
                continue;
            }
            const RealTextReadResult r = readRealText(bom + head + body + "</window>");
            ASSERT_TRUE(r.document) << r.error.toStdString();
            const auto texts = textItems(*r.document);
            ASSERT_EQ(texts.size(), 1u);
            EXPECT_EQ(texts[0].text, expected);
        }
    }
}

TEST(RealTextReader, DefaultsAndDamagedInput) {
    RealTextReadResult r = readRealText("<window type=scrollingnews>x</b></font></window>");
    ASSERT_TRUE(r.document);
    EXPECT_EQ(r.document->scrollRate, 10);  // scrolling windows scroll by default
    EXPECT_EQ(r.document->durationMs, 60000);
    r = readRealText("<window duration=\"abc\" scrollrate=\"-5\"><time begin=\"zz\"/>t");
    ASSERT_TRUE(r.document);
    EXPECT_EQ(r.document->durationMs, 60000);
    EXPECT_EQ(r.document->scrollRate, 0);
    EXPECT_EQ(textItems(*r.document).at(0).beginMs, 0);
    EXPECT_FALSE(readRealText("just text").document);
    // Styles nested without end stay bounded.
    QByteArray deep = "<window>";
    for (int i = 0; i < 10000; ++i) {
        deep += "<b>";
    }
    deep += "x</window>";
    ASSERT_TRUE(readRealText(deep).document);
}

}  // namespace
}  // namespace brindle
