#include "app/capture/thumbnail.h"

#include "app/model/folders.h"
#include "app/model/media_element.h"
#include "app/model/project_view.h"
#include "components/imaging/image_control.h"
#include "controls/clipedit/klipvane_ids.h"
#include "platform/dispatch/control_host.h"
#include "tests/support/avi_fixtures.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QWidget>

namespace brindle {
namespace {

TEST(FitToStrip, KeepsProportionsAndMeetsTheBox) {
    EXPECT_EQ(FitToStrip(true, MediaSnapshot, {640, 480}), QSize(320, 240));
    EXPECT_EQ(FitToStrip(true, MediaImage, {480, 640}), QSize(180, 240));
    EXPECT_EQ(FitToStrip(true, MediaImage, {160, 120}), QSize(320, 240));
    EXPECT_EQ(FitToStrip(true, MediaImage, {1000, 300}), QSize(320, 96));
    EXPECT_EQ(FitToStrip(false, MediaImage, {640, 480}), QSize(82, 62));
    EXPECT_EQ(FitToStrip(false, MediaVideo, {640, 480}), QSize(80, 60));
    EXPECT_EQ(FitToStrip(false, MediaText, {320, 240}), QSize(82, 62));
    // Degenerate pictures: no size, or a side that would vanish.
    EXPECT_EQ(FitToStrip(true, MediaImage, {0, 0}), QSize());
    EXPECT_EQ(FitToStrip(true, MediaImage, {5000, 1}), QSize(320, 1));
}

class ThumbnailTest : public ::testing::Test {
protected:
    void SetUp() override { gTempFolder = env.file("Temp"); }
    void TearDown() override {
        setProjectView(nullptr);
        gTempFolder.clear();
    }

    // A picture with a red left half and a blue right half.
    QString picture(const QString& name, int w, int h) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::blue);
        QPainter(&img).fillRect(0, 0, w / 2, h, Qt::red);
        const QString path = env.file(name);
        EXPECT_TRUE(img.save(path, "JPEG", 95));
        return path;
    }

    // Reads the thumbnail back with Qt's own reader.
    static QImage readBack(const QString& path) {
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), "jpeg");
        return reader.read();
    }

    test::TempEnv env;
};

TEST_F(ThumbnailTest, PicturesAreScaledIntoTheBox) {
    const QString thumb = MakeThumbnail(MediaSnapshot, picture("shot.jpg", 640, 480));
    EXPECT_EQ(thumb, gTempFolder + "/Thumbnail.jpg");
    QImage img = readBack(thumb);
    EXPECT_EQ(img.size(), QSize(320, 240));
    EXPECT_GT(qRed(img.pixel(40, 120)), 200);
    EXPECT_GT(qBlue(img.pixel(280, 120)), 200);

    EXPECT_EQ(readBack(MakeThumbnail(MediaImage, picture("tall.jpg", 480, 640))).size(),
              QSize(180, 240));
    EXPECT_EQ(readBack(MakeThumbnail(MediaImage, picture("small.jpg", 160, 120))).size(),
              QSize(320, 240));
}

TEST_F(ThumbnailTest, ThumbnailsMadeAheadAreTheSameBytesAndFollowLaterChanges) {
    const QStringList pictures = {picture("a.jpg", 1600, 1200), picture("b.jpg", 600, 900),
                                  picture("c.jpg", 200, 100), env.write("d.jpg", "not a picture")};
    QList<QByteArray> oneByOne;
    for (const QString& p : pictures) {
        oneByOne << test::fileBytes(MakeThumbnail(MediaImage, p));
    }

    prefetchThumbnails(pictures);
    // Changed after the thumbnail was started: made again from the new file.
    QImage green(800, 600, QImage::Format_RGB32);
    green.fill(Qt::green);
    ASSERT_TRUE(green.save(pictures[2], "JPEG", 95));
    {
        QFile changed(pictures[2]);
        ASSERT_TRUE(changed.open(QIODevice::ReadWrite));
        changed.setFileTime(QDateTime::currentDateTime().addSecs(5),
                            QFileDevice::FileModificationTime);
    }
    for (int i = 0; i < pictures.size(); ++i) {
        const QString thumb = MakeThumbnail(MediaImage, pictures[i]);
        EXPECT_EQ(thumb, gTempFolder + "/Thumbnail.jpg");
        if (i == 2) {
            const QImage img = readBack(thumb);
            EXPECT_EQ(img.size(), QSize(320, 240));
            EXPECT_GT(qGreen(img.pixel(160, 120)), 200);
        } else {
            EXPECT_EQ(test::fileBytes(thumb), oneByOne[i]) << pictures[i].toStdString();
        }
    }
    // Nothing made ahead is left behind.
    EXPECT_EQ(QDir(gTempFolder).entryList(QDir::Files), QStringList{"Thumbnail.jpg"});
}

TEST_F(ThumbnailTest, FirstFrameOfAnAviWhateverTheCaseOfItsName) {
    const QString clip =
        test::makeClip(env.path(), {.frames = 5, .width = 320, .height = 240}, "Clip.AVI");
    ASSERT_FALSE(clip.isEmpty());
    const QImage img = readBack(MakeThumbnail(MediaVideo, clip));
    ASSERT_EQ(img.size(), QSize(320, 240));
    int w = 0, h = 0;
    const std::vector<std::uint8_t> frame = test::decodeFrameBgr(clip, 0, &w, &h);
    ASSERT_EQ(w, 320);
    std::vector<std::uint8_t> thumb;
    const QImage rgb = img.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb p = rgb.pixel(x, y);
            thumb.insert(thumb.end(),
                         {std::uint8_t(qBlue(p)), std::uint8_t(qGreen(p)), std::uint8_t(qRed(p))});
        }
    }
    // Frame 0, not a later one (those score about 14 dB).
    EXPECT_GT(test::psnr(frame, thumb), 25.0);
}

TEST_F(ThumbnailTest, MediaWithoutAPictureDoNotKeepThePreviousThumbnail) {
    MakeThumbnail(MediaImage, picture("shot.jpg", 640, 480));
    for (auto [type, file] : {std::pair{MediaImage, env.file("missing.jpg")},
                              std::pair{MediaVideo, env.file("clip.rm")}}) {
        const QImage img = readBack(MakeThumbnail(type, file));
        ASSERT_EQ(img.size(), QSize(320, 240));
        EXPECT_LT(qRed(img.pixel(40, 120)), 30) << file.toStdString();
    }
}

TEST_F(ThumbnailTest, TextSlideIsItsFirstScreenInItsColours) {
    const QString txt = env.write("Temp/realtext.txt", "Hello there\r\nsecond line\r\n");
    env.write("Temp/realtext.rt",
              "<window type=\"scrollingnews\" scrollrate=\"0\" duration=\"5\" bgcolor=\"white\" "
              "width=\"320\" height=\"240\" >\r\n<b>\r\n<font color=\"black\" size=\"+2\" "
              "face=\"Arial\">\r\n<center>\r\nHello there\r\n</center>\r\n</font>\r\n</b>\r\n"
              "</window>\r\n");
    const QImage img = readBack(MakeThumbnail(MediaText, txt));
    ASSERT_EQ(img.size(), QSize(320, 240));
    EXPECT_GT(qGray(img.pixel(2, 2)), 240);
    // The lines start at the top, as the player shows them first.
    auto darkIn = [&img](int top, int bottom) {
        int dark = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < 320; ++x) {
                dark += qGray(img.pixel(x, y)) < 100 ? 1 : 0;
            }
        }
        return dark;
    };
    EXPECT_GT(darkIn(0, 30), 50);
    EXPECT_GT(darkIn(30, 60), 50) << "the second line";
    EXPECT_EQ(darkIn(100, 240), 0);
}

// With a window, its Worker and clip edit control are used and left empty.
class FakeView : public ProjectView {
public:
    FakeView() {
        clip = dispatch::ControlHost::load(klipvane::kControlName, &window);
        QObject::connect(&image, &ImageControl::imageChanged, [this] { ++changes; });
    }
    void setCaption(const QString&) override {}
    void resetStrip() override {}
    void showFromFirstSlide() override {}
    void refreshStrip() override {}
    void dimTheWindow(bool) override {}
    QWidget* dialogParent() override { return &window; }
    ImageControl& worker() override { return image; }
    dispatch::ControlHost* clipEditControl() override { return clip.get(); }

    QWidget window;
    ImageControl image;
    std::unique_ptr<dispatch::ControlHost> clip;
    int changes = 0;
};

TEST_F(ThumbnailTest, UsesTheRegisteredViewsControls) {
    FakeView view;
    ASSERT_TRUE(view.clip);
    setProjectView(&view);
    const QString clip = test::makeClip(env.path(), {.frames = 5}, "clip.avi");
    EXPECT_EQ(readBack(MakeThumbnail(MediaVideo, clip)).size(), QSize(320, 240));
    EXPECT_GT(view.changes, 0);
    EXPECT_FALSE(view.image.hasImage());
    EXPECT_EQ(view.clip->get(klipvane::DispFilename).value.toString(), "")
        << "the clip is closed again";
}

}  // namespace
}  // namespace brindle
