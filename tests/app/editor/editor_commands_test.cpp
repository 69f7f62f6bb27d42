// The project and slide commands at their edges: Save and Save As, New with
// a project file, the slide menu's rules and caption, Remove, and Save
// Slide As replacing, refusing and reporting.
#include "app/editor/editor_commands.h"
#include "app/editor/editor_window.h"
#include "app/editor/slide_strip.h"
#include "app/editor/strip_cell.h"
#include "app/editor/strip_state.h"
#include "app/media/progress_form.h"
#include "app/model/folders.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "tests/app/editor/editor_fixture.h"
#include "tests/support/media_fixture.h"
#include "tests/support/temp_env.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

namespace brindle::test {
namespace {

class EditorCommandsTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        countProjectSaves();
    }
    // The project's save dialog counts its requests and is cancelled.
    void countProjectSaves() {
        dialogs.answer([this](const FileDialogRequest& r) {
            if (r.title == LoadResString(str::SaveProjectTitle)) {
                ++saveDialogs;
            }
            return QStringList();
        });
    }
    void select(int slide) {
        gSelectedSlide = slide;
        gSelectedCell = slide - 1 < 5 ? slide - 1 : -1;
        gFirstVisible = 1;
        frame->refreshStrip();
    }
    int saveDialogs = 0;
};

TEST_F(EditorCommandsTest, SaveOfAnUnchangedProjectDoesNothingSaveAsAlwaysAsks) {
    frame->item("mnuSave")->trigger();
    EXPECT_EQ(saveDialogs, 0) << "never saved and unchanged: nothing";
    EXPECT_TRUE(messages.numbers().isEmpty());

    addWithFilesButton({picture("a.jpg")});
    countProjectSaves();
    gProjectChanged = false;
    frame->item("mnuSave")->trigger();
    EXPECT_EQ(saveDialogs, 0) << "slides but unchanged: nothing";
    EXPECT_TRUE(messages.numbers().isEmpty());

    frame->item("mnuSaveAs")->trigger();
    EXPECT_EQ(saveDialogs, 1) << "Save As asks for a name even unchanged";
    gProjectChanged = true;
    frame->item("mnuSave")->trigger();
    EXPECT_EQ(saveDialogs, 2) << "changed and without a file: the dialog";
}

TEST_F(EditorCommandsTest, NewWithChangesAndYesAsksForANameEvenWithAProjectFile) {
    addWithFilesButton({picture("a.jpg")});
    countProjectSaves();
    gProjectFile = env.file("trip.bqx");
    gProjectName = env.file("trip");
    messages.script({vbYes});
    frame->item("mnuNew")->trigger();
    EXPECT_EQ(messages.numbers(), QList<int>({74}));
    EXPECT_EQ(saveDialogs, 1);
    EXPECT_FALSE(QFile::exists(gProjectFile)) << "the dialog was cancelled: nothing written";
    EXPECT_EQ(gProject.count(), 1) << "a cancelled save keeps the slides";
    EXPECT_FALSE(frame->editor()->windowShade()->isVisible());
}

TEST_F(EditorCommandsTest, TheSlideMenuFollowsTheSlidesKind) {
    addWithFilesButton({picture("1.jpg")});
    addWithFilesButton({clip("avi.avi")});
    addWithFilesButton({picture("3.jpg")});
    addWithFilesButton({clip("rm.avi")});
    gProject.Item(4)->VideoType = VideoRealMedia;

    frame->setupContextMenu(3);
    // "&Edit " + " " + "Image" + " Slide " + "3": two blanks after Edit.
    EXPECT_EQ(frame->item("mnuEdit")->text(), "&Edit  Image Slide 3");
    EXPECT_TRUE(frame->item("mnuEdit")->isEnabled());
    EXPECT_TRUE(frame->item("mnuAudio")->isEnabled());

    frame->setupContextMenu(2);
    EXPECT_EQ(frame->item("mnuEdit")->text(), "&Edit  Video Slide 2");
    EXPECT_TRUE(frame->item("mnuEdit")->isEnabled()) << "an AVI clip has its trim dialog";
    EXPECT_FALSE(frame->item("mnuAudio")->isEnabled());

    frame->setupContextMenu(4);
    EXPECT_FALSE(frame->item("mnuEdit")->isEnabled()) << "a RealMedia clip cannot be edited";
    EXPECT_FALSE(frame->item("mnuAudio")->isEnabled());
    for (const char* name : {"mnuText", "mnuRemove", "mnuContextSaveAs"}) {
        EXPECT_TRUE(frame->item(name)->isEnabled()) << name;
    }

    // The audio button of a video cell opens the clip's Edit, never the
    // sound dialog: with a RealMedia clip, nothing.
    select(4);
    bool opened = false;
    QTimer::singleShot(0, [&] { opened = QApplication::activeModalWidget() != nullptr; });
    frame->strip()->cell(3).ElemAud->click();
    QApplication::processEvents();
    EXPECT_FALSE(opened);
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(EditorCommandsTest, RemovingTheOnlySlideLeavesAnUnchangedEmptyProject) {
    addWithFilesButton({picture("only.jpg")});
    ASSERT_TRUE(gProjectChanged);
    select(1);
    frame->item("mnuRemove")->trigger();
    EXPECT_EQ(gProject.count(), 0);
    EXPECT_FALSE(gProjectChanged);
    EXPECT_EQ(gSelectedSlide, 0);
    EXPECT_EQ(gSelectedCell, -1);
    EXPECT_FALSE(frame->item("mnuRemove")->isEnabled());
    EXPECT_EQ(frame->item("mnuEdit")->text(), "&Edit ");
    EXPECT_FALSE(frame->strip()->cell(0).Element->isVisible());
}

TEST_F(EditorCommandsTest, RemovingWithoutAShownSelectionSelectsTheFirstSlide) {
    for (int i = 1; i <= 7; ++i) {
        addWithFilesButton({picture(QStringLiteral("%1.jpg").arg(i))});
    }
    // Slide 2 selected while the strip shows 3..7.
    gSelectedSlide = 2;
    gSelectedCell = -1;
    gFirstVisible = 3;
    frame->refreshStrip();
    frame->item("mnuRemove")->trigger();
    EXPECT_EQ(gProject.count(), 6);
    EXPECT_EQ(gSelectedSlide, 1);
    EXPECT_EQ(gSelectedCell, 0);
    EXPECT_EQ(gFirstVisible, 1);
    EXPECT_EQ(frame->strip()->scrollBar()->maximum(), 2) << "six slides scroll by one";
    EXPECT_EQ(slideFiles().first(), "image1.jpg");
    EXPECT_FALSE(slideFiles().contains("image2.jpg"));
}

class SaveSlideAsTest : public EditorCommandsTest {
protected:
    void SetUp() override {
        EditorCommandsTest::SetUp();
        QDir().mkpath(env.file("out"));
    }
    // The slide's save dialog answers `answer` (every add through the Files
    // button set its own answer, so this follows the adds).
    void answerSlideSaves() {
        dialogs.answer([this](const FileDialogRequest& r) {
            EXPECT_EQ(r.kind, FileDialogKind::Save);
            EXPECT_EQ(r.title, LoadResString(str::SaveFileAsTitle));
            EXPECT_FALSE(r.confirmOverwrite) << "the command asks itself";
            return answer.isEmpty() ? QStringList() : QStringList{answer};
        });
    }
    QString answer;
};

TEST_F(SaveSlideAsTest, AnExistingFileIsReplacedOnlyAfterYes) {
    addWithFilesButton({picture("red.jpg", 40, 30, Qt::red)});
    answerSlideSaves();
    select(1);
    answer = env.write("out/mine.jpg", "the user's own file");

    messages.script({vbNo});
    frame->item("mnuContextSaveAs")->trigger();
    ASSERT_EQ(messages.numbers(), QList<int>({1400}));
    EXPECT_EQ(messages.requests().first().buttons, MsgButtons::YesNo);
    EXPECT_TRUE(messages.requests().first().text.endsWith(answer));
    EXPECT_EQ(fileContents(answer), "the user's own file");

    messages.clear();
    messages.script({vbYes});
    frame->item("mnuContextSaveAs")->trigger();
    EXPECT_EQ(messages.numbers(), QList<int>({1400}));
    EXPECT_EQ(fileContents(answer), fileContents(gProject.Item(1)->Filename));
    EXPECT_EQ(QDir(env.file("out")).entryList(QDir::Files), QStringList({"mine.jpg"}))
        << "no temporary file is left";
}

TEST_F(SaveSlideAsTest, TheProjectsOwnFilesAreRefused) {
    addWithFilesButton({picture("red.jpg", 40, 30, Qt::red)});
    addWithFilesButton({picture("blue.jpg", 40, 30, Qt::blue)});
    answerSlideSaves();
    select(1);
    const QByteArray first = fileContents(gProject.Item(1)->Filename);
    const QByteArray second = fileContents(gProject.Item(2)->Filename);
    for (const QString& target :
         {gProject.Item(1)->Filename, gProject.Item(2)->Filename, gWorkFolder + "/new.jpg"}) {
        messages.clear();
        answer = target;
        messages.script({vbYes});
        frame->item("mnuContextSaveAs")->trigger();
        EXPECT_EQ(messages.numbers(), QList<int>({1401})) << target.toStdString();
    }
    EXPECT_EQ(fileContents(gProject.Item(1)->Filename), first);
    EXPECT_EQ(fileContents(gProject.Item(2)->Filename), second);
    EXPECT_FALSE(QFile::exists(gWorkFolder + "/new.jpg"));
}

TEST_F(SaveSlideAsTest, AFailedCopyIsReportedForEveryKind) {
    addWithFilesButton({picture("red.jpg")});
    addWithFilesButton({clip()});
    answerSlideSaves();
    // A folder that does not exist cannot take the copy.
    for (int slide : {1, 2}) {
        select(slide);
        messages.clear();
        answer = env.file(slide == 1 ? "gone/pic.jpg" : "gone/clip.avi");
        frame->item("mnuContextSaveAs")->trigger();
        EXPECT_EQ(messages.numbers(), QList<int>({slide == 1 ? 1402 : 149})) << slide;
        EXPECT_FALSE(QFile::exists(answer));
    }
    // Nor can a folder without write permission, unless the test is root.
    if (::geteuid() != 0) {
        select(1);
        messages.clear();
        QDir().mkpath(env.file("locked"));
        ::chmod(env.file("locked").toUtf8().constData(), 0555);
        answer = env.file("locked/pic.jpg");
        frame->item("mnuContextSaveAs")->trigger();
        EXPECT_EQ(messages.numbers(), QList<int>({1402}));
        ::chmod(env.file("locked").toUtf8().constData(), 0755);
    }
}

TEST_F(SaveSlideAsTest, ACancelledEncodeLeavesTheOldFileAndNoScratch) {
    addWithFilesButton({clip()});
    answerSlideSaves();
    select(1);
    answer = env.write("out/walk.rm", "an older encode");
    messages.script({vbYes});
    // Cancel as soon as the progress dialog is up.
    QTimer cancel;
    cancel.setInterval(5);
    bool cancelled = false;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "progressForm" && w->isVisible() && !cancelled) {
                cancelled = true;
                w->findChild<QPushButton*>("Cancel")->click();
            }
        }
    });
    cancel.start();
    frame->item("mnuContextSaveAs")->trigger();
    cancel.stop();
    EXPECT_TRUE(cancelled) << "the encode shows its progress with Cancel";
    EXPECT_EQ(fileContents(answer), "an older encode");
    EXPECT_EQ(QDir(env.file("out")).entryList(QDir::Files), QStringList({"walk.rm"}));
    EXPECT_FALSE(CancelRequested) << "the cancel does not reach the next command";
    EXPECT_FALSE(frame->editor()->windowShade()->isVisible());
}

}  // namespace
}  // namespace brindle::test
