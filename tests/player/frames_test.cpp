// What the player shows at a time, looked at through --frame on
// presentations the tests write.
#include "tests/player/player_fixture.h"
#include "tests/support/media_fixture.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

using test::countNear;
using test::frameAt;

const QString kPictureRegion =
    "  <region id=\"imageregion\" top=\"5\" left=\"5\" width=\"320\" height=\"240\" fit=\"meet\" "
    "z-index=\"1\" />\r\n"
    "  <region id=\"titlesregion\" top=\"5\" left=\"5\" width=\"320\" height=\"240\" "
    "fit=\"meet\" z-index=\"0\" />\r\n"
    "  <region id=\"capsregion\" top=\"245\" left=\"5\" width=\"320\" height=\"20\" />\r\n";

QString realPix(const QString& effects) {
    return "<imfl>\r\n<head\r\n  timeformat=\"dd:hh:mm:ss.xyz\"\r\n  duration=\"10\"\r\n"
           "  bitrate=\"10000\"\r\n  width=\"320\"\r\n  height=\"240\"\r\n  "
           "aspect=\"True\"\r\n/>\r\n"
           "<image handle=\"1\" name=\"pix1.jpg\"/>\r\n\r\n" +
           effects + "</imfl>\r\n";
}

TEST(PlayerFrames, AFadeInHalfWayLiesBetweenBlackAndThePicture) {
    test::TempEnv env;
    test::writePicture(env, "pix1.jpg", {320, 240}, QColor(200, 120, 40));
    env.write("allpix.rp",
              realPix("<fadein start=\"1\" duration=\"2\" target=\"1\"/>\r\n").toUtf8());
    const QString smil = test::writeSmil(
        env, "preView.smi", kPictureRegion,
        "<ref id=\"images\" src=\"allpix.rp\" region=\"imageregion\" fill=\"freeze\" />\r\n");
    const QPoint inside(165, 125);
    const QImage before = frameAt(env, smil, 500);
    const QImage half = frameAt(env, smil, 2000);
    const QImage done = frameAt(env, smil, 3500);
    ASSERT_FALSE(before.isNull() || half.isNull() || done.isNull());
    EXPECT_EQ(before.size(), QSize(330, 270));
    EXPECT_LT(qRed(before.pixel(inside)), 10);
    EXPECT_NEAR(qRed(half.pixel(inside)), 100, 12);
    EXPECT_NEAR(qGreen(half.pixel(inside)), 60, 12);
    EXPECT_NEAR(qRed(done.pixel(inside)), 200, 8);
    EXPECT_NEAR(qBlue(done.pixel(inside)), 40, 8);
}

TEST(PlayerFrames, ATransparentFillRevealsTheTextRegionBehind) {
    test::TempEnv env;
    test::writePicture(env, "pix1.jpg", {320, 240}, QColor(0, 200, 0));
    env.write("allpix.rp", realPix("<fadein start=\"0\" duration=\"0\" target=\"1\"/>\r\n"
                                   "<fill start=\"3\" color=\"transparent\"/>\r\n")
                               .toUtf8());
    env.write(
        "maintext2.rt",
        "<window type=\"generic\" duration=\"10\" bgcolor=\"blue\" width=\"320\" "
        "height=\"240\" >\r\n<font color=\"yellow\" size=\"5\">Behind</font>\r\n</window>\r\n");
    const QString smil = test::writeSmil(
        env, "preView.smi", kPictureRegion,
        "<ref id=\"images\" src=\"allpix.rp\" region=\"imageregion\" fill=\"freeze\" />\r\n"
        "<textstream begin=\"0s\" id=\"mainDisplay2\" src=\"maintext2.rt\" "
        "region=\"titlesregion\" />\r\n");
    const QRect area(5, 5, 320, 240);
    const QImage picture = frameAt(env, smil, 2000);
    const QImage revealed = frameAt(env, smil, 4000);
    ASSERT_FALSE(picture.isNull() || revealed.isNull());
    EXPECT_GT(countNear(picture, area, QColor(0, 200, 0)), 320 * 240 * 95 / 100);
    EXPECT_EQ(countNear(picture, area, QColor(255, 255, 0), 60), 0);
    EXPECT_GT(countNear(revealed, area, QColor(0, 0, 255)), 320 * 240 * 80 / 100);
    EXPECT_GT(countNear(revealed, area, QColor(255, 255, 0), 60), 50);
}

TEST(PlayerFrames, ACaptionShowsAtItsTimeAndIsClearedAtTheNext) {
    test::TempEnv env;
    env.write(
        "captions.rt",
        "<window  bgcolor=\"black\" color=\"white\" duration=\"6\">\r\n"
        "<font  color=\"white\" face=\"Arial\" size=\"+1\">\r\n"
        "<time begin=\"0\"/><clear/><center><b> </b></center>\r\n"
        "<time begin=\"2\"/><clear/><center><b>A &lt;b&gt; caption &amp; more </b></center>\r\n"
        "<time begin=\"4\"/><clear/><center><b> </b></center>\r\n"
        "</window>\r\n");
    const QString smil =
        test::writeSmil(env, "preView.smi", kPictureRegion,
                        "<textstream id=\"txtCaptions\" src=\"captions.rt\" region=\"capsregion\" "
                        "fill=\"freeze\" />\r\n");
    const QRect strip(5, 245, 320, 20);
    const QImage none = frameAt(env, smil, 1000);
    const QImage shown = frameAt(env, smil, 3000);
    const QImage cleared = frameAt(env, smil, 5000);
    ASSERT_FALSE(none.isNull() || shown.isNull() || cleared.isNull());
    EXPECT_EQ(countNear(none, strip, Qt::white, 60), 0);
    EXPECT_GT(countNear(shown, strip, Qt::white, 60), 40);
    // Centred: as much text left of the middle as right of it.
    const int left = countNear(shown, QRect(5, 245, 160, 20), Qt::white, 60);
    const int right = countNear(shown, QRect(165, 245, 160, 20), Qt::white, 60);
    EXPECT_NEAR(left, right, (left + right) / 4);
    EXPECT_EQ(countNear(cleared, strip, Qt::white, 60), 0);
    // Nothing spills out of the caption strip.
    EXPECT_EQ(countNear(shown, QRect(0, 0, 330, 245), Qt::white, 60), 0);
}

// Topmost row holding a yellow pixel inside the region, or -1.
int topYellowRow(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        if (countNear(image, QRect(area.left(), y, area.width(), 1), QColor(255, 255, 0), 70) > 0) {
            return y;
        }
    }
    return -1;
}

TEST(PlayerFrames, ScrollingTextMovesUpAtItsScrollRate) {
    test::TempEnv env;
    QString rt =
        "<window type=\"scrollingnews\" scrollrate=\"20\" duration=\"20\" bgcolor=\"blue\" "
        "width=\"320\" height=\"240\" >\r\n<b>\r\n<font color=\"yellow\" size=\"2\" "
        "face=\"Arial\">\r\n";
    for (int i = 0; i < 8; ++i) {
        rt += "<br/>\r\n";
    }
    rt +=
        "<br/>\r\nFirst line of the text\r\n<br/>\r\nSecond "
        "line\r\n</font>\r\n</b>\r\n</window>\r\n";
    env.write("maintext1.rt", rt.toUtf8());
    const QString smil =
        test::writeSmil(env, "preView.smi", kPictureRegion,
                        "<textstream begin=\"0s\" id=\"mainDisplay1\" src=\"maintext1.rt\" "
                        "region=\"titlesregion\" />\r\n");
    const QRect area(5, 5, 320, 240);
    const QImage early = frameAt(env, smil, 1000);
    const QImage later = frameAt(env, smil, 3500);
    ASSERT_FALSE(early.isNull() || later.isNull());
    const int y1 = topYellowRow(early, area);
    const int y2 = topYellowRow(later, area);
    ASSERT_GT(y1, 0);
    ASSERT_GT(y2, 0);
    EXPECT_NEAR(y1 - y2, 20 * 2.5, 2);  // 20 px/s for 2.5 s
}

TEST(PlayerFrames, AVideoFrameIsShownInTheVideoRegion) {
    test::TempEnv env;
    // Frame n of the clip has red 8 n.
    ASSERT_TRUE(
        test::runFfmpeg({"-f", "lavfi", "-i",
                         "color=c=black:s=176x132:r=15:d=3,format=yuv444p,"
                         "geq=r='min(255,N*8)':g='40':b='200'",
                         "-c:v", "rv20", "-b:v", "800k", "-g", "15", env.file("video2.rm")}));
    const QString smil = test::writeSmil(
        env, "preView.smi",
        "  <region id=\"videoregion\" top=\"59\" left=\"77\" width=\"176\" height=\"132\" "
        "fit=\"meet\" z-index=\"2\" />\r\n",
        "<video begin=\"1s\" id=\"mainDisplay2\" src=\"video2.rm\" region=\"videoregion\" "
        "fill=\"freeze\" />\r\n");
    const QImage before = frameAt(env, smil, 500);
    const QImage playing = frameAt(env, smil, 2000);  // frame 15 of the clip
    const QImage frozen = frameAt(env, smil, 60000);  // after the end: the last frame
    ASSERT_FALSE(before.isNull() || playing.isNull() || frozen.isNull());
    const QPoint inside(165, 125);
    EXPECT_LT(qBlue(before.pixel(inside)), 20);
    EXPECT_NEAR(qRed(playing.pixel(inside)), 15 * 8, 10);
    EXPECT_NEAR(qBlue(playing.pixel(inside)), 200, 15);
    EXPECT_GT(qRed(frozen.pixel(inside)), 240);  // frame 44: red 255
    // Outside the region the root background stays.
    EXPECT_EQ(countNear(playing, QRect(0, 0, 330, 55), Qt::black, 8), 330 * 55);
}

TEST(PlayerFrames, RegionsAreDrawnInZOrderThenInLayoutOrder) {
    test::TempEnv env;
    test::writePicture(env, "red.png", {100, 100}, Qt::red);
    test::writePicture(env, "blue.png", {100, 100}, Qt::blue);
    test::writePicture(env, "green.png", {100, 100}, Qt::green);
    const QString smil = test::writeSmil(
        env, "preView.smi",
        "  <region id=\"top\" left=\"0\" top=\"0\" width=\"100\" height=\"100\" z-index=\"2\" "
        "/>\r\n"
        "  <region id=\"low\" left=\"50\" top=\"50\" width=\"100\" height=\"100\" z-index=\"1\" "
        "/>\r\n"
        "  <region id=\"same\" left=\"100\" top=\"100\" width=\"100\" height=\"100\" "
        "z-index=\"1\" />\r\n",
        "<img src=\"red.png\" region=\"top\" dur=\"10s\" />\r\n"
        "<img src=\"blue.png\" region=\"low\" dur=\"10s\" />\r\n"
        "<img src=\"green.png\" region=\"same\" dur=\"5s\" />\r\n",
        200, 200);
    const QImage f = frameAt(env, smil, 1000);
    ASSERT_FALSE(f.isNull());
    EXPECT_EQ(f.pixel(75, 75), qRgb(255, 0, 0));    // z 2 over z 1, though written first
    EXPECT_EQ(f.pixel(125, 125), qRgb(0, 255, 0));  // equal z: the later region on top
    EXPECT_EQ(f.pixel(60, 140), qRgb(0, 0, 255));
    // The green picture's dur ends; the region shows what is under it.
    const QImage after = frameAt(env, smil, 6000);
    ASSERT_FALSE(after.isNull());
    EXPECT_EQ(after.pixel(125, 125), qRgb(0, 0, 255));
    EXPECT_EQ(after.pixel(175, 175), qRgb(0, 0, 0));
}

TEST(PlayerFrames, SizeScalesTheWholePresentationKeepingItsAspect) {
    test::TempEnv env;
    test::writePicture(env, "red.png", {100, 100}, Qt::red);
    const QString smil = test::writeSmil(env, "preView.smi",
                                         "  <region id=\"r\" left=\"100\" top=\"50\" width=\"100\" "
                                         "height=\"50\" fit=\"fill\" />\r\n",
                                         "<img src=\"red.png\" region=\"r\" />\r\n", 200, 100);
    const QImage f = frameAt(env, smil, 0, {"--size", "400x300"});
    ASSERT_FALSE(f.isNull());
    ASSERT_EQ(f.size(), QSize(400, 300));
    // 2x: the presentation is 400x200, centred with 50 rows of black above.
    EXPECT_EQ(countNear(f, QRect(200, 150, 200, 100), Qt::red, 10), 200 * 100);
    EXPECT_EQ(countNear(f, QRect(0, 0, 400, 150), Qt::red, 60), 0);
}

}  // namespace
}  // namespace brindle
