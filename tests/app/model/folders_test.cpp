#include "app/model/folders.h"

#include "platform/files.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>

namespace brindle {
namespace {

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(Folders, NamesFollowTheTemporaryFolder) {
    test::TempEnv env;
    computeFolders();
    const QString temp = env.file("cache") + "/brindle/";
    EXPECT_EQ(gTempFolder, temp + "Temp");
    EXPECT_EQ(gPreviewFolder, temp + "Preview");
    EXPECT_EQ(gWorkFolder, temp + "Work");
    EXPECT_EQ(gUploadFolder, env.file("home") + "/uploads");
    for (const QString* f : {&gTempFolder, &gPreviewFolder, &gWorkFolder, &gUploadFolder}) {
        EXPECT_FALSE(f->endsWith('/'));
    }
}

TEST(Folders, WindowsDefaultsMapIntoTheHome) {
    test::TempEnv env;
    EXPECT_EQ(hostFolder("C:\\uploads"), env.file("home") + "/uploads");
    const QString docs = hostFolder("C:\\My Documents");
    EXPECT_TRUE(docs.startsWith(env.file("home"))) << docs.toStdString();
    EXPECT_EQ(hostFolder("/srv/media"), "/srv/media");
}

TEST(Folders, StartingTwiceFindsThemPresent) {
    test::TempEnv env;
    computeFolders();
    createFolders();
    createFolders();
    for (const QString* f : {&gTempFolder, &gPreviewFolder, &gWorkFolder, &gUploadFolder}) {
        EXPECT_TRUE(QFileInfo(*f).isDir()) << f->toStdString();
    }
}

TEST(Folders, NewProjectEmptiesWorkAndPreviewOnly) {
    test::TempEnv env;
    computeFolders();
    createFolders();
    env.write(gWorkFolder.mid(env.path().size() + 1) + "/image1.jpg", "x");
    env.write(gPreviewFolder.mid(env.path().size() + 1) + "/preView.smi", "x");
    env.write(gTempFolder.mid(env.path().size() + 1) + "/scan.jpg", "x");
    clearWorkAndPreview();
    EXPECT_TRUE(entries(gWorkFolder).isEmpty());
    EXPECT_TRUE(entries(gPreviewFolder).isEmpty());
    EXPECT_EQ(entries(gTempFolder), QStringList{"scan.jpg"});
}

TEST(Folders, ExitLeavesThreeEmptyFoldersAndTheUploads) {
    test::TempEnv env;
    computeFolders();
    createFolders();
    const QString base = env.path() + "/";
    for (const QString* f : {&gTempFolder, &gPreviewFolder, &gWorkFolder, &gUploadFolder}) {
        env.write(QString(*f).remove(0, base.size()) + "/file.bin", "x");
        env.write(QString(*f).remove(0, base.size()) + "/noext", "x");
    }
    const QString before = QDir::currentPath();
    emptyFoldersAtExit();
    for (const QString* f : {&gTempFolder, &gPreviewFolder, &gWorkFolder}) {
        EXPECT_TRUE(QFileInfo(*f).isDir());
        EXPECT_TRUE(entries(*f).isEmpty()) << f->toStdString();
    }
    EXPECT_EQ(entries(gUploadFolder).size(), 2);
    QDir::setCurrent(before);
}

}  // namespace
}  // namespace brindle
