// The preview page files beside a presentation, and the pause before each
// slide of a pass.
#include "app/model/folders.h"
#include "app/model/progress.h"
#include "app/present/preview.h"
#include "app/present/slide_pause.h"
#include "platform/resources.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace brindle {
namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(PreviewPageTest, PageItsPicturesAndThePlayerReferences) {
    test::TempEnv env;
    gPreviewFolder = env.file("preview");
    QDir().mkpath(gPreviewFolder);
    const QString smil = gPreviewFolder + "/preView.smi";
    // An older reference is replaced, not added to.
    env.write("preview/preView.rpm", "file:///somewhere/else.smi\r\n");

    WriteHTMLFile(smil);

    EXPECT_EQ(bytesOf(gPreviewFolder + "/preView.htm"), bytesOf(resourcePath("preview.htm")));
    EXPECT_TRUE(bytesOf(gPreviewFolder + "/preView.htm").contains("preView.rpm"));
    for (const char* picture : {"/freeplayG2.gif", "/plrbordr.jpg"}) {
        EXPECT_EQ(bytesOf(gPreviewFolder + picture), bytesOf(resourcePath(picture))) << picture;
        EXPECT_GT(QFileInfo(gPreviewFolder + picture).size(), 0) << picture;
    }
    const QByteArray reference = "file:///" + smil.toUtf8() + "\r\n";
    EXPECT_EQ(bytesOf(gPreviewFolder + "/preView.rpm"), reference);
    EXPECT_EQ(bytesOf(gPreviewFolder + "/preView.ram"), reference);
}

TEST(PreviewPageTest, AMissingFolderEndsItQuietly) {
    test::TempEnv env;
    gPreviewFolder = env.file("no-such-folder");
    WriteHTMLFile(gPreviewFolder + "/preView.smi");
    EXPECT_FALSE(QFileInfo::exists(gPreviewFolder));
}

TEST(SlidePauseTest, EndsAtTheHalfSecondAfterTheNearestSecond) {
    EXPECT_EQ(slidePauseMs(10'000), 500);  // 10.0 s waits for 10.5 s
    EXPECT_EQ(slidePauseMs(10'499), 1);
    EXPECT_EQ(slidePauseMs(10'500), 1000);  // 10.5 s rounds to 11, waits for 11.5 s
    EXPECT_EQ(slidePauseMs(10'999), 501);
}

TEST(SlidePauseTest, APauseAcrossMidnightEnds) {
    // Just before midnight the half-second mark lies past the end of the
    // day, where a time of day never gets to; the pause is a length.
    constexpr int kDayMs = 24 * 60 * 60 * 1000;
    for (int ms = kDayMs - 2000; ms < kDayMs; ++ms) {
        const int pause = slidePauseMs(ms);
        ASSERT_GE(pause, 1) << ms;
        ASSERT_LE(pause, 1000) << ms;
    }
    EXPECT_EQ(slidePauseMs(kDayMs - 100), 600);
}

TEST(SlidePauseTest, TheMessageLoopRunsAndCancelEndsIt) {
    CancelRequested = false;
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    QTimer::singleShot(5, [] { CancelRequested = true; });
    pauseBeforeSlide();
    EXPECT_TRUE(ran);
    CancelRequested = false;
}

}  // namespace
}  // namespace brindle
