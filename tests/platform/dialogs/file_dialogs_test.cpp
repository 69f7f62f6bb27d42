// The program's real file dialogs: what a request shows, what a cancel and
// an accepted name answer, and that a sink replaces them.
#include "platform/dialogs/file_dialogs.h"

#include "platform/dialogs/message_boxes.h"
#include "tests/support/file_dialog_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace brindle {
namespace {

// Runs what to do on the file dialog once it is shown.
void onDialog(std::function<void(QFileDialog&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

class FileDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        installFileDialogs();
        setMessageParent(&window);
    }
    void TearDown() override { setMessageParent(nullptr); }

    test::TempEnv env;
    QWidget window;
};

TEST_F(FileDialogsTest, SaveShowsTitleFilterFolderAndNameWithAnOverwritePrompt) {
    QString title, folder, proposed;
    QStringList filters;
    bool confirms = false, saves = false;
    QWidget* parent = nullptr;
    onDialog([&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        filters = dialog.nameFilters();
        folder = dialog.directory().absolutePath();
        proposed = dialog.selectedFiles().value(0);
        confirms = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
        saves = dialog.acceptMode() == QFileDialog::AcceptSave;
        parent = dialog.parentWidget();
        dialog.reject();
    });
    const QString chosen = chooseFile(
        saveFileRequest("Save Project", "Project File: (*.bqx)|*.bqx", env.path(), "Old.bqx"));
    EXPECT_TRUE(chosen.isEmpty()) << "a cancel chooses nothing";
    EXPECT_EQ(title, "Save Project");
    EXPECT_EQ(filters, QStringList{"Project File: (*.bqx)"});
    EXPECT_EQ(folder, env.path());
    EXPECT_EQ(proposed, env.file("Old.bqx"));
    EXPECT_TRUE(confirms);
    EXPECT_TRUE(saves);
    EXPECT_EQ(parent, &window);
}

TEST_F(FileDialogsTest, ANameTypedWithoutExtensionGetsTheChosenFiltersOne) {
    onDialog([](QFileDialog& dialog) {
        dialog.selectNameFilter("Real Text File: (*.rt)");
        auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText("notes");
        QMetaObject::invokeMethod(&dialog, "accept");
    });
    const QString chosen = chooseFile(saveFileRequest(
        "Save File As", "Plain Text File: (*.txt)|*.txt|Real Text File: (*.rt)|*.rt", env.path()));
    EXPECT_EQ(chosen.toStdString(), env.file("notes.rt").toStdString());
}

TEST_F(FileDialogsTest, OpenWantsAnExistingFileAndShowsAPreviewOnlyWhenAsked) {
    for (const bool preview : {false, true}) {
        bool existing = false, hasPreview = false;
        onDialog([&](QFileDialog& dialog) {
            existing = dialog.fileMode() == QFileDialog::ExistingFile;
            hasPreview = dialog.findChild<QLabel*>("Preview") != nullptr;
            dialog.reject();
        });
        EXPECT_TRUE(chooseFiles(openFileRequest("Select Media", "Bitmaps (*.bmp)|*.bmp", env.path(),
                                                preview))
                        .isEmpty());
        EXPECT_TRUE(existing);
        EXPECT_EQ(hasPreview, preview);
    }
}

TEST_F(FileDialogsTest, ASinkReplacesTheDialogsForItsLifetime) {
    {
        test::FileDialogRecorder recorder;
        recorder.answer(QStringList{"/a.bqx", "/b.bqx"});
        EXPECT_EQ(chooseFile(openFileRequest("Open Project", {}, {})), "/a.bqx");
        EXPECT_EQ(recorder.titles(), QStringList{"Open Project"});
    }
    EXPECT_EQ(fileDialogSink(), nullptr);
    bool shown = false;
    onDialog([&](QFileDialog& dialog) {
        shown = true;
        dialog.reject();
    });
    chooseFile(openFileRequest("Open Project", {}, {}));
    EXPECT_TRUE(shown) << "without the sink the real dialog shows again";
}

}  // namespace
}  // namespace brindle
