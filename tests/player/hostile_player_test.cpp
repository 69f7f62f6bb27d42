// A presentation whose pictures are hostile (enormous declared sizes, a zip
// named as a picture, ten thousand frames, a lying header): the player
// draws what it can in bounded time and memory and never crashes.
#include "tests/player/player_fixture.h"
#include "tests/support/hostile_files.h"

#include <gtest/gtest.h>

#include <QImage>

namespace brindle {
namespace {

TEST(HostilePlayerTest, HostilePicturesInAPresentationAreDrawnAsFarAsTheyGo) {
    test::TempEnv env;
    namespace h = test::hostile;
    h::hugeJpeg(env.path(), "pix1.jpg");
    h::hugePng(env.path(), "pix2.jpg");
    h::zipAsJpeg(env.path(), "pix3.jpg");
    h::manyFramesGif(env.path(), "pix4.jpg");
    h::lyingBmp(env.path(), "pix5.jpg");
    h::hugeGif(env.path(), "huge.gif");
    QString images;
    QString effects;
    for (int i = 1; i <= 5; ++i) {
        images += QStringLiteral("<image handle=\"%1\" name=\"pix%1.jpg\"/>\r\n").arg(i);
        effects += QStringLiteral("<fadein start=\"%1\" duration=\"0.5\" target=\"%2\"/>\r\n")
                       .arg(i - 1)
                       .arg(i);
    }
    env.write("allpix.rp",
              ("<imfl>\r\n<head\r\n  timeformat=\"dd:hh:mm:ss.xyz\"\r\n  duration=\"10\"\r\n"
               "  bitrate=\"10000\"\r\n  width=\"320\"\r\n  height=\"240\"\r\n"
               "  aspect=\"True\"\r\n/>\r\n" +
               images + effects + "</imfl>\r\n")
                  .toUtf8());
    const QString smil = test::writeSmil(
        env, "preView.smi",
        "  <region id=\"imageregion\" top=\"5\" left=\"5\" width=\"320\" height=\"240\" "
        "fit=\"meet\" z-index=\"1\" />\r\n"
        "  <region id=\"backregion\" top=\"5\" left=\"5\" width=\"320\" height=\"240\" "
        "z-index=\"0\" />\r\n",
        "<ref id=\"images\" src=\"allpix.rp\" region=\"imageregion\" fill=\"freeze\" />\r\n"
        "<img src=\"huge.gif\" region=\"backregion\" />\r\n");
    for (const int ms : {500, 2500, 4500}) {
        SCOPED_TRACE(ms);
        const QString out = env.file(QStringLiteral("frame%1.png").arg(ms));
        const test::hostile::MeasuredRun r = test::hostile::runMeasured(
            BRINDLE_PLAYER_PATH, {"--frame", QString::number(ms), out, smil}, 60000);
        ASSERT_TRUE(r.finished);
        EXPECT_FALSE(r.crashed) << r.err.toStdString();
        if (!test::hostile::underSanitizer()) {
            EXPECT_LT(r.peakMb, 300);
        }
        // A frame is drawn, or the player says why not.
        if (r.status == 0) {
            EXPECT_EQ(QImage(out).size(), QSize(330, 270));
        } else {
            EXPECT_FALSE(r.err.trimmed().isEmpty());
        }
    }
}

}  // namespace
}  // namespace brindle
