// Picture preparation: the size rule and the JPEG it writes.
#include "app/present/picture_prep.h"

#include "app/model/folders.h"
#include "app/model/project.h"
#include "components/imaging/image_control.h"
#include "tests/support/avi_fixtures.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMap>
#include <QPainter>

namespace brindle {
namespace {

TEST(PicturePrepTest, SizeFollowsOrientation) {
    EXPECT_EQ(fitPictureSize({320, 240}), QSize(320, 240));
    EXPECT_EQ(fitPictureSize({640, 480}), QSize(320, 240));
    EXPECT_EQ(fitPictureSize({480, 640}), QSize(180, 240));
    EXPECT_EQ(fitPictureSize({400, 380}), QSize(320, 304));
    EXPECT_EQ(fitPictureSize({100, 50}), QSize(100, 50));  // never enlarged
    EXPECT_EQ(fitPictureSize({4000, 3000}), QSize(320, 240));
    EXPECT_EQ(fitPictureSize({3000, 2000}), QSize(320, 213));
    EXPECT_EQ(fitPictureSize({321, 10}), QSize(320, 10));
    // A square one counts as wide: its width decides, even when that makes
    // it larger (the player fits the picture into its region anyway).
    EXPECT_EQ(fitPictureSize({300, 300}), QSize(320, 320));
}

QString writePicture(const test::TempEnv& env, const QString& name, QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(0, 0, size.width() / 2, size.height(), QColor(200, 40, 40));
    painter.fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(),
                     QColor(40, 40, 200));
    painter.end();
    const QString path = env.file(name);
    EXPECT_TRUE(image.save(path));
    return path;
}

TEST(PicturePrepTest, WritesScaledJpeg) {
    test::TempEnv env;
    struct Case {
        const char* name;
        QSize in, out;
    };
    for (const Case& c :
         {Case{"wide.png", {640, 480}, {320, 240}}, Case{"tall.bmp", {480, 640}, {180, 240}},
          Case{"fits.png", {320, 240}, {320, 240}}, Case{"photo.jpg", {400, 380}, {320, 304}}}) {
        const QString out = env.file(QString("pix-%1.jpg").arg(c.name));
        ASSERT_TRUE(preparePicture(writePicture(env, c.name, c.in), out)) << c.name;
        QImageReader back(out);
        EXPECT_EQ(back.format(), "jpeg") << c.name;
        const QImage image = back.read();
        EXPECT_EQ(image.size(), c.out) << c.name;
        // The left half stays red, the right half blue.
        const QColor left = image.pixelColor(image.width() / 4, image.height() / 2);
        const QColor right = image.pixelColor(image.width() * 3 / 4, image.height() / 2);
        EXPECT_GT(left.red(), 150) << c.name;
        EXPECT_GT(right.blue(), 150) << c.name;
    }
}

TEST(PicturePrepTest, UnreadablePictureFails) {
    test::TempEnv env;
    EXPECT_FALSE(preparePicture(env.write("broken.jpg", "not a picture"), env.file("pix1.jpg")));
    EXPECT_FALSE(preparePicture(env.file("missing.jpg"), env.file("pix2.jpg")));
    EXPECT_FALSE(
        preparePicture(writePicture(env, "ok.png", {10, 10}), env.file("no-such-folder/pix3.jpg")));
}

TEST(PicturePrepTest, StepCanBeReplaced) {
    QString seen;
    setPicturePrepareStep([&seen](const QString& src, const QString& out, QSize box, int q) {
        seen = QString("%1 %2 %3x%4 %5").arg(src, out).arg(box.width()).arg(box.height()).arg(q);
        return true;
    });
    EXPECT_TRUE(preparePicture("a.jpg", "pix7.jpg"));
    setPicturePrepareStep({});
    EXPECT_EQ(seen, "a.jpg pix7.jpg 320x240 45");
    EXPECT_EQ(pictureFileName(7), "pix7.jpg");
}

TEST(PicturePrepTest, PicturesOfTheNextSlidesAreMadeAheadWithTheSameBytes) {
    test::TempEnv env;
    test::MessageRecorder messages;
    gTempFolder = env.file("Temp");
    gWorkFolder = env.file("Work");
    const QString preview = env.file("Preview");
    QDir().mkpath(preview);
    QDir().mkpath(gWorkFolder);
    gProject.clear();
    QStringList sources;  // the slides' own copies
    for (int i = 1; i <= 7; ++i) {
        MediaSource s;
        s.mediaType = i == 4 ? MediaText : MediaImage;
        s.Thumbnail = env.write("thumb.jpg", "a thumbnail");
        s.Filename = i == 4 ? env.write("text4.txt", "a text slide")
                            : writePicture(env, QString("p%1.png").arg(i), {400 + 60 * i, 300});
        ASSERT_TRUE(gProject.Add(s));
        sources << gProject.Item(i)->Filename;
    }
    // What each picture is when made on its own.
    QMap<int, QByteArray> alone;
    for (int i : {1, 2, 3, 5, 6, 7}) {
        const QString out = env.file(QString("alone%1.jpg").arg(i));
        ImageControl control;
        ASSERT_TRUE(preparePictureWithImageControl(control, sources[i - 1], out, kPictureBox,
                                                   kPictureQualityFactor));
        alone[i] = test::fileBytes(out);
    }

    // The first call starts the next slides' pictures; one source then
    // changes under them and is made again from what it is now.
    ASSERT_TRUE(preparePicture(sources[0], preview + "/pix1.jpg"));
    ASSERT_TRUE(QFile::remove(sources[5]));
    ASSERT_TRUE(QFile::copy(writePicture(env, "p6.png", {200, 100}), sources[5]));
    QFile p6(sources[5]);
    ASSERT_TRUE(p6.open(QIODevice::ReadWrite));
    p6.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime);
    p6.close();
    for (int i : {2, 3, 5, 6, 7}) {
        ASSERT_TRUE(preparePicture(sources[i - 1], preview + "/" + pictureFileName(i))) << i;
    }
    for (int i : {1, 2, 3, 5, 7}) {
        EXPECT_EQ(test::fileBytes(preview + "/" + pictureFileName(i)), alone[i]) << i;
    }
    EXPECT_EQ(QImageReader(preview + "/pix6.jpg").size(), QSize(200, 100));
    EXPECT_EQ(QDir(gTempFolder).entryList(QDir::Files), QStringList{}) << "nothing left over";
    EXPECT_TRUE(messages.requests().isEmpty());
    gProject.clear();
}

TEST(PicturePrepTest, QualityMappingIsMonotone) {
    EXPECT_EQ(jpegQualityForFactor(2), 100);
    EXPECT_EQ(jpegQualityForFactor(255), 1);
    int previous = 101;
    for (int f = 2; f <= 255; ++f) {
        EXPECT_LE(jpegQualityForFactor(f), previous);
        previous = jpegQualityForFactor(f);
    }
    EXPECT_EQ(jpegQualityForFactor(45), 83);
}

}  // namespace
}  // namespace brindle
