// The main frame as a user meets it: captions, menus and shortcuts, the
// slide context menu, dimming, the identity picture, the About box, the
// frame's minimum size and the exit question.
#include "app/editor/about_box.h"
#include "app/editor/editor_commands.h"
#include "app/editor/editor_window.h"
#include "app/editor/save_slide_as.h"
#include "app/editor/strip_state.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/settings.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "tests/app/editor/editor_fixture.h"
#include "tests/support/avi_fixtures.h"
#include "tests/support/media_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace brindle::test {
namespace {

using MainFrameTest = EditorFixture;

TEST_F(MainFrameTest, ButtonsAndIdentityCarryTheirTextsAndTips) {
    EXPECT_EQ(frame->windowTitle(), "Velmora");
    const struct {
        const char* name;
        int caption;
        int tip;
    } buttons[] = {{"Text", 18, 118},    {"Files", 19, 119}, {"Scan", 22, 120},
                   {"Snap", 21, 121},    {"Video", 20, 122}, {"PlayPreview", 23, 123},
                   {"Publish", 105, 124}};
    for (const auto& b : buttons) {
        QPushButton* button = frame->editor()->button(b.name);
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(button->text(), LoadResString(b.caption)) << b.name;
        EXPECT_EQ(button->toolTip(), LoadResString(b.tip)) << b.name;
    }
    EXPECT_EQ(frame->editor()->identity()->toolTip(), LoadResString(192));
    EXPECT_FALSE(frame->editor()->identity()->icon().isNull()) << "the program's picture";
}

TEST_F(MainFrameTest, MenusHaveTheirCaptionsAndStandardShortcuts) {
    EXPECT_EQ(frame->menu("mnuFile")->title(), "&File");
    EXPECT_EQ(frame->menu("mnuOptions")->title(), "&Options");
    EXPECT_EQ(frame->menu("mnuHelp")->title(), "&Help");
    EXPECT_EQ(frame->item("mnuNew")->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(frame->item("mnuOpen")->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(frame->item("mnuSave")->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(frame->item("mnuSaveAs")->shortcut(), QKeySequence("Ctrl+Shift+S"));
    EXPECT_EQ(frame->item("mnuExit")->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(frame->item("mnuSaveAs")->text(), LoadResString(88));
    EXPECT_EQ(frame->item("mnuPlayPreview")->text(), LoadResString(140));
    EXPECT_EQ(frame->item("mnuPublish")->text(), LoadResString(89));
    EXPECT_EQ(frame->item("mnuAbout")->text(), LoadResString(100));
    EXPECT_TRUE(frame->editor()->button("Text")->isEnabled());
    EXPECT_TRUE(frame->editor()->button("Files")->isEnabled());
    EXPECT_TRUE(frame->item("mnuBackTrack")->isEnabled());
}

TEST_F(MainFrameTest, TheContextMenuNamesTheSlideAndFollowsTheProject) {
    frame->setupContextMenu(0);
    EXPECT_FALSE(frame->item("mnuRemove")->isEnabled()) << "empty project";
    EXPECT_EQ(frame->item("mnuEdit")->text(), "&Edit ");

    addWithFilesButton({picture("1.bmp")});
    addWithFilesButton({picture("2.bmp")});
    addWithFilesButton({clip()});
    frame->setupContextMenu(2);
    EXPECT_EQ(frame->item("mnuEdit")->text(), "&Edit  Image Slide 2");
    EXPECT_TRUE(frame->item("mnuRemove")->isEnabled());
    frame->setupContextMenu(3);
    EXPECT_EQ(frame->item("mnuEdit")->text(), "&Edit  Video Slide 3");
    EXPECT_FALSE(frame->item("mnuAudio")->isEnabled()) << "no audio caption on a video slide";
}

TEST_F(MainFrameTest, RemovingTheSelectedLastSlideSelectsTheNewLast) {
    for (int i = 1; i <= 7; ++i) {
        addWithFilesButton({picture(QStringLiteral("%1.bmp").arg(i))});
    }
    ASSERT_EQ(gSelectedSlide, 7);
    frame->item("mnuRemove")->trigger();
    EXPECT_EQ(gProject.count(), 6);
    EXPECT_EQ(gSelectedSlide, 6);
    EXPECT_TRUE(gProjectChanged);
    EXPECT_FALSE(QFile::exists(gWorkFolder + "/image7.bmp"));

    for (int i = 6; i >= 1; --i) {
        gSelectedSlide = 1;
        gSelectedCell = 0;
        gFirstVisible = 1;
        frame->item("mnuRemove")->trigger();
    }
    EXPECT_EQ(gProject.count(), 0);
    EXPECT_EQ(gSelectedSlide, 0);
    EXPECT_EQ(gSelectedCell, -1);
    EXPECT_FALSE(gProjectChanged) << "the only slide removed leaves an unchanged project";
}

TEST_F(MainFrameTest, DimmingShadesTheEditorAndLocksItsCommands) {
    frame->dimTheWindow(true);
    EXPECT_TRUE(frame->editor()->windowShade()->isVisible());
    EXPECT_EQ(frame->editor()->windowShade()->geometry(), frame->editor()->rect());
    EXPECT_FALSE(frame->editor()->button("Files")->isEnabled());
    EXPECT_FALSE(frame->menu("mnuFile")->menuAction()->isEnabled());
    EXPECT_FALSE(frame->menu("mnuHelp")->menuAction()->isEnabled());
    frame->dimTheWindow(false);
    EXPECT_FALSE(frame->editor()->windowShade()->isVisible());
    EXPECT_TRUE(frame->editor()->button("Files")->isEnabled());
    EXPECT_TRUE(frame->menu("mnuFile")->menuAction()->isEnabled());
    EXPECT_TRUE(frame->editor()->button("Video")->isEnabled());
}

TEST_F(MainFrameTest, TheIdentityPictureWithoutAHomeAddressSays138) {
    gHomeURL.clear();
    frame->editor()->identity()->click();
    EXPECT_EQ(messages.numbers(), QList<int>({138}));
}

TEST_F(MainFrameTest, TheFrameIsNeverSmallerThanTheEditor) {
    const QSize editor = frame->editor()->size();
    EXPECT_GE(frame->minimumWidth(), editor.width());
    EXPECT_GE(frame->minimumHeight(), editor.height());
    frame->resize(200, 150);
    EXPECT_GE(frame->width(), editor.width());
    EXPECT_GE(frame->height(), editor.height());
}

TEST_F(MainFrameTest, TheAboutBoxShowsTitleVersionAndNotices) {
    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (const QLabel* label : box->findChildren<QLabel*>()) {
            texts << label->text();
        }
        box->findChild<QPushButton*>("cmdOK")->click();
    });
    frame->item("mnuAbout")->trigger();
    EXPECT_EQ(texts, QStringList({"Velmora", programVersion(), LoadResString(131),
                                  LoadResString(150), LoadResString(144)}));
    EXPECT_EQ(programVersion().count('.'), 2);
}

TEST_F(MainFrameTest, PreviewAndPublishReachThePresentationCommands) {
    frame->editor()->button("PlayPreview")->click();
    frame->item("mnuPlayPreview")->trigger();
    frame->editor()->button("Publish")->click();
    frame->item("mnuPublish")->trigger();
    EXPECT_EQ(messages.numbers(), QList<int>({83, 83, 117, 117})) << "an empty project";
}

// The real open-file dialog of the Files button, driven as a user would.
TEST_F(MainFrameTest, TheFilesDialogOpensInTheImportFolderWithAPreview) {
    setFileDialogSink(nullptr);  // the real dialog, not the fixture's recorder
    const QString chosen = picture("beach.jpg", 120, 90);
    gImportPath = DirPart(chosen);
    QString title, folder;
    QStringList filters;
    bool preview = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        folder = dialog->directory().absolutePath();
        filters = dialog->nameFilters();
        preview = dialog->findChild<QLabel*>("Preview") != nullptr;
        dialog->selectFile(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    frame->editor()->button("Files")->click();
    EXPECT_EQ(title, "Select Media");
    EXPECT_EQ(folder + "/", gImportPath);
    ASSERT_EQ(filters.size(), 5);
    EXPECT_TRUE(filters[0].startsWith("All Media (*.bmp, *.jpg, *.jpeg, *.gif, *.avi)"));
    EXPECT_TRUE(filters[0].endsWith("(*.bmp *.jpg *.jpeg *.gif *.avi)"));
    EXPECT_TRUE(preview);
    ASSERT_EQ(gProject.count(), 1);
    EXPECT_EQ(slideFiles(), QStringList({"image1.jpg"}));
}

TEST_F(MainFrameTest, SaveSlideAsCopiesPicturesAndClipsOrEncodesAClipToRealMedia) {
    addWithFilesButton({picture("photo.jpg", 80, 60)});
    addWithFilesButton({clip()});
    QString filter;
    QString answer;
    dialogs.answer([&](const FileDialogRequest& r) {
        EXPECT_EQ(r.kind, FileDialogKind::Save);
        EXPECT_EQ(r.title, LoadResString(81));
        filter = r.filter;
        return answer.isEmpty() ? QStringList() : QStringList{answer};
    });
    auto saveSlide = [&](int slide, const QString& name) {
        gSelectedSlide = slide;
        frame->refreshStrip();
        answer = name.isEmpty() ? QString() : env.file("out/" + name);
        frame->item("mnuContextSaveAs")->trigger();
        return answer;
    };
    QDir().mkpath(env.file("out"));

    const QString picture = saveSlide(1, "copy.jpg");
    EXPECT_EQ(filter, LoadResString(170));
    EXPECT_EQ(fileBytes(picture), fileBytes(gProject.Item(1)->Filename));
    EXPECT_EQ(gImportPath, DirPart(picture));

    const QString avi = saveSlide(2, "copy.avi");
    EXPECT_EQ(filter, LoadResString(171));
    EXPECT_EQ(fileBytes(avi), fileBytes(gProject.Item(2)->Filename));

    const QString rm = saveSlide(2, "walk.rm");
    EXPECT_EQ(probe(rm, "format=format_name"), "rm");
    EXPECT_FALSE(gProject.Item(2)->isEncoded()) << "the slide itself is not touched";
    EXPECT_TRUE(messages.numbers().isEmpty());

    saveSlide(1, {});
    EXPECT_EQ(QDir(env.file("out")).entryList(QDir::Files).size(), 3) << "a cancel saves nothing";
}

class ExitTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        addWithFilesButton({picture("trip.bmp")});
        ASSERT_TRUE(gProjectChanged);
    }
    QStringList workFiles() const { return QDir(gWorkFolder).entryList(QDir::Files); }
};

TEST_F(ExitTest, CancelKeepsTheProgramAndTheProject) {
    messages.script({vbCancel});
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(messages.numbers(), QList<int>({74}));
    EXPECT_EQ(messages.requests().first().buttons, MsgButtons::YesNoCancel);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_TRUE(gProjectChanged);
    EXPECT_TRUE(workFiles().contains("image1.bmp"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ExitTest, NoEndsWithoutSavingAndEmptiesTheFolders) {
    gImportPath = env.file("media");
    messages.script({vbNo});
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(messages.numbers(), QList<int>({74}));
    EXPECT_TRUE(workFiles().isEmpty());
    EXPECT_TRUE(QDir(gTempFolder).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(QDir(gWorkFolder).exists()) << "the folders stay";
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, gSettingsKey, "WindowState"), "Normal");
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, gSettingsKey, "ImportPath"), gImportPath);
}

TEST_F(ExitTest, YesSavesIntoTheOpenProjectFileWithoutAsking) {
    gProjectFile = env.file("trip.bqx");
    gProjectName = env.file("trip");
    messages.script({vbYes});
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(messages.numbers(), QList<int>({74}));
    ASSERT_TRUE(QFile::exists(gProjectFile));
    QProcess unzip;
    unzip.start("unzip", {"-Z1", gProjectFile});
    ASSERT_TRUE(unzip.waitForFinished());
    const QStringList members =
        QString::fromLocal8Bit(unzip.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(members, QStringList({"tocName.toc", "image1.bmp", "image1.rp", "image1T.jpg"}));
}

TEST_F(ExitTest, YesWithACancelledSaveDialogKeepsTheProgram) {
    messages.script({vbYes});
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(dialogs.requests().last().kind, FileDialogKind::Save)
        << "a project without a file asks for a name";
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(workFiles().contains("image1.bmp")) << "the unsaved work stays";
}

TEST_F(ExitTest, OpenAsksAboutChangesThenReadsTheChosenProject) {
    const QString saved = env.file("projects/saved.bqx");
    QDir().mkpath(env.file("projects"));
    dialogs.answer(QStringList{saved});
    ASSERT_EQ(riteProject(true), 0);
    addWithFilesButton({picture("more.jpg")});
    ASSERT_EQ(gProject.count(), 2);

    QString folder;
    dialogs.answer([&](const FileDialogRequest& r) {
        EXPECT_EQ(r.kind, FileDialogKind::Open);
        EXPECT_EQ(r.title, LoadResString(82));
        EXPECT_EQ(r.filter, LoadResString(168));
        folder = r.folder;
        return QStringList{saved};
    });
    gProjectPath = env.file("media");
    messages.script({vbNo});
    frame->item("mnuOpen")->trigger();
    EXPECT_EQ(messages.numbers(), QList<int>({74}));
    EXPECT_EQ(folder, env.file("media"));
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_EQ(gProjectPath, DirPart(saved));
    EXPECT_EQ(frame->windowTitle(), "saved - Velmora");
    EXPECT_FALSE(gProjectChanged);
}

TEST_F(ExitTest, NoQuestionWithoutChanges) {
    gProjectChanged = false;
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(ExitTest, NewWithChangesAsksAndCancelKeepsTheSlides) {
    messages.script({vbCancel});
    frame->item("mnuNew")->trigger();
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_FALSE(frame->editor()->windowShade()->isVisible());
    messages.script({vbNo});
    frame->item("mnuNew")->trigger();
    EXPECT_EQ(gProject.count(), 0);
    EXPECT_FALSE(gProjectChanged);
    EXPECT_EQ(frame->windowTitle(), "Velmora");
}

}  // namespace
}  // namespace brindle::test
