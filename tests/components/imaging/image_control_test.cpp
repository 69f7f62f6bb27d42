// The image control's file and picture operations. Saved JPEGs are read
// back with a separate QImageReader.
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>

#include <gtest/gtest.h>

#include <climits>

#include "components/imaging/image_control.h"
#include "components/imaging/image_ops.h"
#include "tests/components/imaging/test_pictures.h"
#include "tests/support/temp_env.h"

namespace brindle {
namespace {

using test::colorNear;
using test::expectQuadrants;

class ImageControlTest : public ::testing::Test {
protected:
    // Writes the picture in the format its name's ending gives.
    QString write(const QString& name, const QImage& image) {
        const QString path = env.file(name);
        if (!name.endsWith(".gif")) {
            EXPECT_TRUE(image.save(path)) << name.toStdString();
            return path;
        }
        // Qt reads GIF but does not write it: ffmpeg does, with a palette of
        // the picture's own colours.
        const QString png = path + ".png";
        image.save(png);
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", {"-nostdin", "-v", "error", "-y", "-i", png, "-vf",
                                "split[a][b];[a]palettegen[p];[b][p]paletteuse", path});
        EXPECT_TRUE(ffmpeg.waitForFinished(30000));
        EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
        return path;
    }
    static QImage readBack(const QString& path) {
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), "jpeg");
        return reader.read();
    }

    test::TempEnv env;
    ImageControl worker;
};

TEST_F(ImageControlTest, LoadsTheFourFormatsAsIsOrAt24Bits) {
    const QImage picture = test::quadrants();
    const struct {
        const char* name;
        QImage::Format asIs;
        int tolerance;
    } files[] = {{"p.bmp", QImage::Format_RGB32, 0},
                 {"p.png", QImage::Format_RGB32, 0},
                 {"p.jpg", QImage::Format_RGB32, 12},
                 {"p.gif", QImage::Format_ARGB32, 0}};  // Qt composes GIF frames
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const QString path = write(f.name, picture);
        ASSERT_EQ(worker.load(path, 0, 0, 1), ImageStatus::Ok);
        EXPECT_TRUE(worker.hasImage());
        EXPECT_EQ(worker.width(), 640);
        EXPECT_EQ(worker.height(), 480);
        EXPECT_EQ(worker.image().format(), f.asIs);
        expectQuadrants(worker.image(), f.tolerance);

        ASSERT_EQ(worker.load(path, 24, 0, 1), ImageStatus::Ok);
        EXPECT_EQ(worker.image().format(), QImage::Format_RGB888);
        expectQuadrants(worker.image(), f.tolerance);
    }
    // The extension does not matter; the content does.
    QFile::copy(env.file("p.png"), env.file("png-named.jpg"));
    ASSERT_EQ(worker.loadForConversion(env.file("png-named.jpg")), ImageStatus::Ok);
    EXPECT_EQ(worker.image().format(), QImage::Format_RGB888);
}

TEST_F(ImageControlTest, AFailedLoadLeavesNoImage) {
    const QString good = write("p.png", test::quadrants());
    ASSERT_EQ(worker.load(good), ImageStatus::Ok);
    EXPECT_EQ(worker.load(env.file("missing.jpg")), ImageStatus::FileNotFound);
    EXPECT_FALSE(worker.hasImage());
    EXPECT_EQ(worker.width(), 0);

    ASSERT_EQ(worker.load(good), ImageStatus::Ok);
    EXPECT_EQ(worker.load(env.write("notes.jpg", "gVideosUsed:=0\r\n")), ImageStatus::NotReadable);
    EXPECT_FALSE(worker.hasImage());
    EXPECT_EQ(worker.load(env.path()), ImageStatus::FileNotFound);  // a folder
    EXPECT_EQ(worker.load(good, 16), ImageStatus::InvalidArgument);
    EXPECT_EQ(worker.load(good, 0, -1), ImageStatus::InvalidArgument);
    EXPECT_EQ(worker.load(good, 0, 5), ImageStatus::NotReadable);  // no sixth page
    EXPECT_FALSE(worker.hasImage());
}

TEST_F(ImageControlTest, ShrinkingAJpegAtLoadMatchesShrinkingItsFullPicture) {
    const QString path = write("big.jpg", test::detailed(2400, 1800, 7));
    ASSERT_EQ(worker.load(path, 24), ImageStatus::Ok);
    EXPECT_EQ(worker.width(), 2400);  // from the header alone
    ASSERT_EQ(worker.resize(320, 240), ImageStatus::Ok);
    const QImage fast = worker.image();
    ASSERT_EQ(fast.size(), QSize(320, 240));
    EXPECT_EQ(fast.format(), QImage::Format_RGB888);

    const QImage full =
        QImageReader(path).read().scaled(320, 240, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int worst = 0;
    for (int y = 0; y < 240; y += 7) {
        for (int x = 0; x < 320; x += 7) {
            if (x % 160 < 4 || y % 120 < 4) {
                continue;  // quadrant borders blur differently
            }
            const QRgb a = fast.pixel(x, y), b = full.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    }
    EXPECT_LE(worst, 12);

    // The file may change after loading; the control kept its bytes.
    ASSERT_EQ(worker.load(path), ImageStatus::Ok);
    QFile::remove(path);
    EXPECT_EQ(worker.resize(200, 150), ImageStatus::Ok);
    EXPECT_EQ(worker.image().size(), QSize(200, 150));
}

TEST_F(ImageControlTest, ResizesToExactlyTheSizeAskedEitherWay) {
    ASSERT_EQ(worker.load(write("small.jpg", test::quadrants(160, 120))), ImageStatus::Ok);
    ASSERT_EQ(worker.resize(320, 240, 0), ImageStatus::Ok);  // enlarged
    EXPECT_EQ(worker.image().size(), QSize(320, 240));
    expectQuadrants(worker.image(), 12);

    worker.setImage(test::quadrants());
    ASSERT_EQ(worker.resize(82, 62, 1), ImageStatus::Ok);
    EXPECT_EQ(QSize(worker.width(), worker.height()), QSize(82, 62));
    expectQuadrants(worker.image(), 4);

    for (const QSize bad : {QSize(0, 10), QSize(10, -1), QSize(100000, 10), QSize(30000, 30000)}) {
        EXPECT_EQ(worker.resize(bad.width(), bad.height()), ImageStatus::InvalidArgument);
    }
    EXPECT_EQ(worker.image().size(), QSize(82, 62));
    worker.clear();
    EXPECT_EQ(worker.resize(10, 10), ImageStatus::NoImage);
}

TEST_F(ImageControlTest, SavesJpegsThatReadBackAndShrinkAsTheFactorRises) {
    worker.setImage(test::quadrants());
    const QString best = env.file("best.jpg");
    ASSERT_EQ(worker.save(best, ImageControl::kFormatJpeg, 24, 2), ImageStatus::Ok);
    const QImage back = readBack(best);
    ASSERT_EQ(back.size(), QSize(640, 480));
    expectQuadrants(back, 6);

    worker.setImage(test::detailed(640, 480, 3));
    qint64 previous = LLONG_MAX;
    for (int factor : {2, 20, 45, 100, 160, 255}) {
        const QString path = env.file(QString("q%1.jpg").arg(factor));
        ASSERT_EQ(worker.save(path, ImageControl::kFormatJpeg, 24, factor), ImageStatus::Ok);
        const qint64 size = QFileInfo(path).size();
        EXPECT_LT(size, previous) << "factor " << factor;
        previous = size;
        EXPECT_EQ(readBack(path).size(), QSize(640, 480));
    }
    EXPECT_EQ(imageops::jpegQuality(2), 100);
    EXPECT_EQ(imageops::jpegQuality(255), 1);
    for (int factor = 3; factor <= 255; ++factor) {
        EXPECT_LE(imageops::jpegQuality(factor), imageops::jpegQuality(factor - 1));
    }
}

TEST_F(ImageControlTest, RefusesSavesItCannotDoAndKeepsTheOldFile) {
    const QString path = env.write("old.jpg", "previous contents");
    EXPECT_EQ(worker.save(path, ImageControl::kFormatJpeg, 24, 2), ImageStatus::NoImage);
    worker.setImage(test::quadrants());
    EXPECT_EQ(worker.save(path, 1, 24, 2), ImageStatus::UnsupportedFormat);
    EXPECT_EQ(worker.save(path, ImageControl::kFormatJpeg, 4, 2), ImageStatus::UnsupportedFormat);
    EXPECT_EQ(worker.save(path, ImageControl::kFormatJpeg, 24, 2, true),
              ImageStatus::UnsupportedFormat);
    EXPECT_EQ(worker.save(path, ImageControl::kFormatJpeg, 24, 1), ImageStatus::InvalidArgument);
    EXPECT_EQ(worker.save(path, ImageControl::kFormatJpeg, 24, 256), ImageStatus::InvalidArgument);
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "previous contents");
    EXPECT_EQ(worker.save(env.file("no/folder/x.jpg"), ImageControl::kFormatJpeg, 24, 2),
              ImageStatus::WriteFailed);
}

TEST_F(ImageControlTest, TransparentPartsAreSavedWhiteAndGreyOnRequest) {
    QImage clear(100, 100, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    worker.setImage(clear);
    const QString path = env.file("clear.jpg");
    ASSERT_EQ(worker.save(path, ImageControl::kFormatJpeg, 24, 2), ImageStatus::Ok);
    EXPECT_TRUE(colorNear(readBack(path).pixel(50, 50), qRgb(255, 255, 255), 2));

    worker.setImage(test::quadrants());
    ASSERT_EQ(worker.save(path, ImageControl::kFormatJpeg, 8, 2), ImageStatus::Ok);
    EXPECT_TRUE(readBack(path).isGrayscale());
}

TEST_F(ImageControlTest, BrightnessMovesEveryChannelAndClamps) {
    QImage grey(40, 40, QImage::Format_RGB32);
    grey.fill(qRgb(100, 100, 100));
    for (const auto& [amount, level] :
         {std::pair{250, 164}, {-250, 36}, {25, 106}, {0, 100}, {1000, 255}, {-1000, 0}}) {
        worker.setImage(grey);
        ASSERT_EQ(worker.changeBrightness(amount), ImageStatus::Ok);
        EXPECT_EQ(worker.image().pixel(5, 5), qRgb(level, level, level)) << amount;
    }
    worker.setImage(grey);
    EXPECT_EQ(worker.changeBrightness(1001), ImageStatus::InvalidArgument);
    EXPECT_EQ(worker.image().pixel(5, 5), qRgb(100, 100, 100));

    // A palette picture stays one, with its palette changed.
    worker.setImage(test::quadrants().convertToFormat(QImage::Format_Indexed8));
    ASSERT_EQ(worker.changeBrightness(-250), ImageStatus::Ok);
    EXPECT_EQ(worker.image().format(), QImage::Format_Indexed8);
    EXPECT_TRUE(colorNear(worker.image().pixel(10, 10), qRgb(0xA0, 0, 0), 1));
    ASSERT_EQ(worker.load(write("p.gif", test::quadrants())), ImageStatus::Ok);
    ASSERT_EQ(worker.changeBrightness(-250), ImageStatus::Ok);
    EXPECT_TRUE(colorNear(worker.image().pixel(10, 10), qRgb(0xA0, 0, 0), 1));
    ASSERT_EQ(worker.load(write("p.jpg", test::quadrants()), 24), ImageStatus::Ok);
    ASSERT_EQ(worker.changeBrightness(250), ImageStatus::Ok);
    EXPECT_TRUE(colorNear(worker.image().pixel(480, 360), qRgb(0xC0, 0xC0, 0xC0), 12));
}

TEST_F(ImageControlTest, CropsToTheRectangleWithinThePicture) {
    worker.setImage(test::quadrants());
    ASSERT_EQ(worker.crop(320, 0, 320, 240), ImageStatus::Ok);
    EXPECT_EQ(worker.image().size(), QSize(320, 240));
    EXPECT_EQ(worker.image().pixel(0, 0), test::kGreen);
    EXPECT_EQ(worker.image().pixel(319, 239), test::kGreen);

    worker.setImage(test::quadrants());
    ASSERT_EQ(worker.crop(600, 440, 1000, 1000), ImageStatus::Ok);  // clipped
    EXPECT_EQ(worker.image().size(), QSize(40, 40));
    worker.setImage(test::quadrants());
    ASSERT_EQ(worker.crop(-10, -10, 20, 20), ImageStatus::Ok);
    EXPECT_EQ(worker.image().size(), QSize(10, 10));

    worker.setImage(test::quadrants());
    for (const QRect bad : {QRect(700, 0, 10, 10), QRect(0, 0, 0, 10), QRect(0, 0, 10, -5)}) {
        EXPECT_EQ(worker.crop(bad.x(), bad.y(), bad.width(), bad.height()),
                  ImageStatus::InvalidArgument);
    }
    EXPECT_EQ(worker.crop(INT_MAX, INT_MAX, INT_MAX, INT_MAX), ImageStatus::InvalidArgument);
    ASSERT_EQ(worker.crop(INT_MIN, INT_MIN, INT_MAX, INT_MAX), ImageStatus::InvalidArgument);
    EXPECT_EQ(worker.image().size(), QSize(640, 480));
}

TEST_F(ImageControlTest, QuarterTurnsAreExactAndFourReturnThePicture) {
    const QImage original = test::quadrants(64, 48);
    worker.setImage(original);
    ASSERT_EQ(worker.rotate(9000, ImageControl::kRotateResize, 0), ImageStatus::Ok);
    EXPECT_EQ(worker.image().size(), QSize(48, 64));
    EXPECT_EQ(worker.image().pixel(47, 0), test::kRed);     // top left went top right
    EXPECT_EQ(worker.image().pixel(0, 0), test::kBlue);     // bottom left went top left
    EXPECT_EQ(worker.image().pixel(47, 63), test::kGreen);  // top right went bottom right
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(worker.rotate(9000, ImageControl::kRotateResize, 0), ImageStatus::Ok);
    }
    EXPECT_EQ(worker.image().convertToFormat(original.format()), original);

    ASSERT_EQ(worker.rotate(-9000, ImageControl::kRotateResize, 0), ImageStatus::Ok);
    EXPECT_EQ(worker.image().pixel(0, 0), test::kGreen);  // counter-clockwise
}

TEST_F(ImageControlTest, OtherAnglesFillTheUncoveredCornersWithTheColour) {
    const quint32 blueBgr = 0x00FF0000;
    worker.setImage(test::quadrants(100, 100));
    ASSERT_EQ(worker.rotate(4500, ImageControl::kRotateResize, blueBgr), ImageStatus::Ok);
    EXPECT_NEAR(worker.width(), 142, 1);
    EXPECT_EQ(worker.image().pixel(1, 1), qRgb(0, 0, 255));

    worker.setImage(test::quadrants(100, 100));
    ASSERT_EQ(worker.rotate(4500, 0, blueBgr), ImageStatus::Ok);
    EXPECT_EQ(worker.image().size(), QSize(100, 100));
    EXPECT_EQ(worker.image().pixel(1, 1), qRgb(0, 0, 255));

    worker.setImage(test::quadrants(100, 80));
    ASSERT_EQ(worker.rotate(9000, 0, blueBgr), ImageStatus::Ok);  // keeps 100 x 80
    EXPECT_EQ(worker.image().size(), QSize(100, 80));
    EXPECT_EQ(worker.image().pixel(2, 40), qRgb(0, 0, 255));
    worker.clear();
    EXPECT_EQ(worker.rotate(9000, 0, 0), ImageStatus::NoImage);
}

TEST_F(ImageControlTest, CopiesBetweenInstancesAreIndependent) {
    ImageControl visible;
    int changed = 0;
    QObject::connect(&visible, &ImageControl::imageChanged, [&] { ++changed; });
    ASSERT_EQ(worker.load(write("p.jpg", test::quadrants())), ImageStatus::Ok);
    visible.copyFrom(worker);
    EXPECT_EQ(changed, 1);
    ASSERT_EQ(visible.changeBrightness(-250), ImageStatus::Ok);
    EXPECT_TRUE(colorNear(worker.image().pixel(480, 360), test::kGrey, 12));
    EXPECT_TRUE(colorNear(visible.image().pixel(480, 360), qRgb(0x40, 0x40, 0x40), 12));

    worker.copyFrom(visible);
    EXPECT_EQ(worker.image(), visible.image());
    visible.clear();
    EXPECT_FALSE(visible.hasImage());
    EXPECT_TRUE(worker.hasImage());
    EXPECT_EQ(changed, 3);
}

}  // namespace
}  // namespace brindle
