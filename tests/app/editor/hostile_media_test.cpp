// Pictures and clips from strangers added to a project the way a user adds
// them: each is refused with a message naming the file, or used as far as it
// goes; none takes long, none takes much memory, and the editor goes on
// adding good files afterwards.
#include "app/editor/add_media.h"
#include "app/editor/main_frame.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "tests/app/editor/editor_fixture.h"
#include "tests/support/hostile_files.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>

namespace brindle::test {
namespace {

constexpr int kPictureRefused = str::PictureRefused;
constexpr int kBadVideo = str::BadVideo;
constexpr double kPeakLimitMb = 300;
constexpr qint64 kTimeLimitMs = 20000;

struct Case {
    const char* what;
    QString (*make)(const QString& dir, const QString& name);
    const char* name;
    int message;  // 0: added as a slide
};

class HostileMediaTest : public EditorFixture {
protected:
    // Adds one file; answers whether it became a slide. Checks time and
    // memory on the way.
    void addAndMeasure(const Case& c) {
        const QString path = c.make(env.file("hostile"), c.name);
        ASSERT_FALSE(path.isEmpty()) << c.what << ": fixture not made";
        const int before = gProject.count();
        messages.clear();
        hostile::resetPeakMemory();
        const double base = hostile::peakMemoryMb();
        QElapsedTimer clock;
        clock.start();
        addWithFilesButton({path});
        const qint64 ms = clock.elapsed();
        const double peak = hostile::peakMemoryMb();
        SCOPED_TRACE(c.what);
        EXPECT_LT(ms, kTimeLimitMs);
        EXPECT_LT(peak, kPeakLimitMb) << "from " << base << " MB";
        if (c.message == 0) {
            EXPECT_TRUE(messages.numbers().isEmpty());
            EXPECT_EQ(gProject.count(), before + 1);
        } else {
            EXPECT_EQ(messages.numbers(), QList<int>({c.message}));
            EXPECT_EQ(gProject.count(), before);
            if (c.message == kPictureRefused) {
                const QString text = messages.requests().value(0).text;
                EXPECT_TRUE(text.contains(QFileInfo(path).fileName())) << text.toStdString();
            }
        }
    }
};

TEST_F(HostileMediaTest, HostilePicturesAreRefusedOrUsedAsFarAsTheyGo) {
    const Case cases[] = {
        {"JPEG declaring 65535 x 65535",
         [](const QString& dir, const QString& name) { return hostile::hugeJpeg(dir, name); },
         "huge.jpg", kPictureRefused},
        {"BMP declaring 65535 x 65535", hostile::hugeBmp, "huge.bmp", kPictureRefused},
        {"GIF declaring 65535 x 65535", hostile::hugeGif, "huge.gif", kPictureRefused},
        {"PNG declaring 65535 x 65535, named .jpg", hostile::hugePng, "png.jpg", kPictureRefused},
        {"BMP whose header lies about its size", hostile::lyingBmp, "lying.bmp", kPictureRefused},
        {"zip archive named .jpg", hostile::zipAsJpeg, "archive.jpg", kPictureRefused},
        {"truncated JPEG", hostile::truncatedJpeg, "truncated.jpg", 0},
        {"GIF of 10,000 frames",
         [](const QString& dir, const QString& name) { return hostile::manyFramesGif(dir, name); },
         "frames.gif", 0},
    };
    for (const Case& c : cases) {
        addAndMeasure(c);
    }
    // The truncated JPEG shows its top as it was and the rest filled.
    const QImage truncated(gProject.Item(1)->Filename);
    ASSERT_FALSE(truncated.isNull());
    EXPECT_EQ(truncated.size(), QSize(640, 480));

    // Still usable: a good picture is added after all that.
    addWithFilesButton({picture("after.jpg")});
    EXPECT_EQ(gProject.count(), 3);
    EXPECT_TRUE(messages.numbers().isEmpty() || messages.numbers().last() != kPictureRefused);
}

TEST_F(HostileMediaTest, AGifThatFailsDoesNotBringBackThePreviousGif) {
    addWithFilesButton({picture("first.gif", 32, 24, Qt::red)});
    ASSERT_EQ(gProject.count(), 1);
    messages.clear();
    addWithFilesButton({hostile::hugeGif(env.file("hostile"))});
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_EQ(messages.numbers(), QList<int>({kPictureRefused}));
}

TEST_F(HostileMediaTest, HostileClipsAreRefusedOrUsed) {
    const Case cases[] = {
        {"AVI whose index points past its end", hostile::lyingIndexAvi, "lying-index.avi", 0},
        {"AVI of no frames", hostile::zeroFrameAvi, "zero.avi", kBadVideo},
        {"AVI of 100,000 x 2 pixels", hostile::tallThinAvi, "wide.avi", kBadVideo},
    };
    for (const Case& c : cases) {
        addAndMeasure(c);
    }
    addWithFilesButton({clip("after.avi")});
    EXPECT_EQ(gProject.count(), 2);
}

}  // namespace
}  // namespace brindle::test
