// Adding pictures and clips as a user does: through the Files button's
// dialog (answered by the test) and by dropping files on the strip.
#include "app/editor/add_media.h"
#include "app/editor/editor_window.h"
#include "app/editor/slide_strip.h"
#include "app/editor/strip_state.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "components/mediaplayer/media_length.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "tests/app/editor/editor_fixture.h"
#include "tests/support/media_fixture.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>

namespace brindle::test {
namespace {

class AddMediaTest : public EditorFixture {
protected:
    // Drops the files on the strip's slide bar at x (in its coordinates), as
    // a file manager does.
    void dropOnStrip(const QStringList& paths, int x) {
        QWidget* bar = frame->strip()->slideBar();
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths) {
            urls << QUrl::fromLocalFile(p);
        }
        data.setUrls(urls);
        const QPointF at(x, bar->height() / 2);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &drop);
    }
};

TEST_F(AddMediaTest, FilesButtonAddsEachAcceptedKindInOrderAndSelectsIt) {
    gImportPath = env.file("media");
    QString title, filter, folder;
    bool shadedDuringDialog = false;
    bool barEnabledDuringDialog = true;
    const QStringList files = {picture("a.bmp"), picture("b.jpg"), picture("Photo.JPEG"),
                               picture("c.gif"), clip("clip.AVI")};
    int n = 0;
    for (const QString& file : files) {
        dialogs.answer([&](const FileDialogRequest& r) {
            title = r.title;
            filter = r.filter;
            folder = r.folder;
            EXPECT_EQ(r.kind, FileDialogKind::Open);
            EXPECT_TRUE(r.preview) << "pictures are previewed";
            shadedDuringDialog = frame->editor()->windowShade()->isVisible();
            barEnabledDuringDialog = frame->editor()->buttonBar()->isEnabled();
            return QStringList{file};
        });
        frame->editor()->button("Files")->click();
        ++n;
        EXPECT_EQ(gProject.count(), n) << file.toStdString();
        EXPECT_EQ(gSelectedSlide, n);
        EXPECT_EQ(gSelectedCell, n - 1);
    }
    EXPECT_EQ(title, LoadResString(79));
    EXPECT_EQ(filter, LoadResString(169));
    EXPECT_EQ(folder, DirPart(files[3])) << "the folder of the previous choice";
    EXPECT_TRUE(shadedDuringDialog);
    EXPECT_FALSE(barEnabledDuringDialog);
    EXPECT_FALSE(frame->editor()->windowShade()->isVisible());
    EXPECT_TRUE(frame->editor()->buttonBar()->isEnabled());
    EXPECT_TRUE(messages.numbers().isEmpty());

    EXPECT_EQ(slideFiles(),
              QStringList({"image1.bmp", "image2.jpg", "image3.jpg", "image4.jpg", "video1.avi"}));
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(gProject.Item(i)->mediaType, MediaImage);
        EXPECT_EQ(gProject.Item(i)->Duration, gDefaultSlideDuration);
    }
    const MediaElement* video = gProject.Item(5);
    EXPECT_EQ(video->mediaType, MediaVideo);
    EXPECT_EQ(video->VideoType, VideoAvi);
    EXPECT_EQ(video->Duration, mediaLengthMs(video->Filename));
    // 30 frames at 15 per second, with the sound a little longer.
    EXPECT_GE(video->Duration, 2000);
    EXPECT_LT(video->Duration, 3000);
    for (const auto& slide : gProject) {
        EXPECT_FALSE(QImage(slide->Thumbnail).isNull()) << slide->Thumbnail.toStdString();
    }
    EXPECT_TRUE(gProjectChanged);
    EXPECT_EQ(gImportPath, DirPart(files[4]));
}

TEST_F(AddMediaTest, ANewSlideFollowsTheSelectedOne) {
    addWithFilesButton({picture("1.bmp")});
    addWithFilesButton({picture("2.bmp")});
    addWithFilesButton({picture("3.bmp")});
    gSelectedSlide = 2;
    gSelectedCell = 1;
    frame->refreshStrip();
    addWithFilesButton({picture("4.jpg")});
    EXPECT_EQ(slideFiles(), QStringList({"image1.bmp", "image2.bmp", "image4.jpg", "image3.bmp"}));
    EXPECT_EQ(gSelectedSlide, 3);
    EXPECT_EQ(gSelectedCell, 2);
}

TEST_F(AddMediaTest, TheSixthSlideScrollsTheStripByOne) {
    for (int i = 1; i <= 6; ++i) {
        addWithFilesButton({picture(QStringLiteral("%1.bmp").arg(i))});
    }
    EXPECT_EQ(gSelectedSlide, 6);
    EXPECT_EQ(gFirstVisible, 2);
    EXPECT_EQ(gSelectedCell, 4);
    auto* scroll = frame->strip()->findChild<QScrollBar*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->minimum(), 1);
    EXPECT_EQ(scroll->maximum(), 2);
    EXPECT_EQ(scroll->value(), 2);
}

TEST_F(AddMediaTest, RefusedFilesNameTheirReasonAndAddNothing) {
    const QString mpg = env.write("media/movie.mpg", QByteArray(4096, '\x02'));
    const QString junkAvi = env.write("media/junk.avi", QByteArray(4096, '\x01'));

    addWithFilesButton({mpg});
    EXPECT_EQ(messages.numbers(), QList<int>({80}));
    messages.clear();
    dropFile({mpg}, 0);
    EXPECT_EQ(messages.numbers(), QList<int>({76}));
    messages.clear();
    addWithFilesButton({junkAvi});
    EXPECT_EQ(messages.numbers(), QList<int>({153}));
    messages.clear();
    dropFile({junkAvi}, 0);
    EXPECT_EQ(messages.numbers(), QList<int>({153}));

    EXPECT_EQ(gProject.count(), 0);
    EXPECT_EQ(gSelectedSlide, 0);
    EXPECT_TRUE(QDir(gWorkFolder).entryList(QDir::Files).isEmpty());
}

TEST_F(AddMediaTest, ACancelledDialogChangesNothing) {
    gImportPath = env.file("media");
    addWithFilesButton({});
    EXPECT_EQ(gProject.count(), 0);
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_EQ(gImportPath, env.file("media"));
    EXPECT_FALSE(frame->editor()->windowShade()->isVisible());
    EXPECT_FALSE(gProjectChanged);
}

TEST_F(AddMediaTest, TheDropPositionDecidesThePlace) {
    dropFile({picture("first.bmp")}, 0);
    EXPECT_EQ(gProject.count(), 1) << "an empty project takes the drop as slide 1";
    EXPECT_EQ(gSelectedSlide, 1);
    dropFile({picture("second.bmp")}, 1);
    dropFile({picture("front.jpg")}, 0);
    EXPECT_EQ(slideFiles(), QStringList({"image3.jpg", "image1.bmp", "image2.bmp"}));
    EXPECT_EQ(gSelectedSlide, 1);
    EXPECT_TRUE(gProjectChanged);

    // Only the first of several dropped files is used.
    dropFile({picture("x.bmp"), picture("y.bmp")}, 3);
    EXPECT_EQ(gProject.count(), 4);
    EXPECT_EQ(slideFiles().last(), "image4.bmp");
}

TEST_F(AddMediaTest, FilesDroppedFromAFileManagerLandWhereTheyAreDropped) {
    addWithFilesButton({picture("1.bmp")});
    addWithFilesButton({picture("2.bmp")});
    QWidget* bar = frame->strip()->slideBar();
    dropOnStrip({picture("right.jpg")}, bar->width() - 2);
    EXPECT_EQ(slideFiles(), QStringList({"image1.bmp", "image2.bmp", "image3.jpg"}));
    dropOnStrip({picture("left.jpg")}, 0);
    EXPECT_EQ(slideFiles().first(), "image4.jpg");
    dropOnStrip({env.write("media/notes.txt", "text")}, bar->width() - 2);
    EXPECT_EQ(messages.numbers(), QList<int>({76}));
    EXPECT_EQ(gProject.count(), 4);
}

TEST_F(AddMediaTest, TwoGifsShareTheScratchFileButKeepTheirOwnCopies) {
    addWithFilesButton({picture("red.gif", 40, 30, Qt::red)});
    addWithFilesButton({picture("blue.gif", 40, 30, Qt::blue)});
    EXPECT_TRUE(QFile::exists(gTempFolder + "/gifSupport.jpg"));
    ASSERT_EQ(slideFiles(), QStringList({"image1.jpg", "image2.jpg"}));
    const QImage first(gProject.Item(1)->Filename);
    const QImage second(gProject.Item(2)->Filename);
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_GT(qRed(first.pixel(20, 15)), 200);
    EXPECT_GT(qBlue(second.pixel(20, 15)), 200);
    EXPECT_LT(qRed(second.pixel(20, 15)), 60);
}

}  // namespace
}  // namespace brindle::test
