#include "tests/app/editor/editor_fixture.h"

#include "app/editor/add_media.h"
#include "app/editor/editor_window.h"
#include "app/editor/strip_state.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/settings.h"
#include "platform/dialogs/message_boxes.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "tests/support/avi_fixtures.h"
#include "tests/support/media_fixture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTest>

namespace brindle::test {

void EditorFixture::SetUp() {
    gAppTitle = LoadResString(147);
    gSettingsKey = LoadResString(163);
    readSettings();
    computeFolders();
    createFolders();
    gProject.clear();
    resetCounters();
    gBackTrack.clear();
    gProjectFile.clear();
    gProjectName.clear();
    gProjectChanged = false;
    gSelectedSlide = 0;
    gFirstVisible = 1;
    gSelectedCell = -1;
    QDir(env.path()).mkpath("media");
    frame = std::make_unique<MainFrame>();
    setMessageParent(frame.get());
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
}

void EditorFixture::TearDown() {
    gProjectChanged = false;
    frame.reset();
    gProject.clear();
}

QString EditorFixture::picture(const QString& name, int width, int height, Qt::GlobalColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    const QString path = env.file("media/" + name);
    const QString ext = QFileInfo(name).suffix().toLower();
    if (ext == "gif") {
        // Qt reads GIF but does not write it; the ffmpeg program does.
        const QString png = path + ".png";
        EXPECT_TRUE(image.save(png, "PNG"));
        EXPECT_TRUE(runFfmpeg({"-i", png, path})) << path.toStdString();
        QFile::remove(png);
        return path;
    }
    const QByteArray format = ext == "jpeg" ? "JPG" : ext.toUpper().toLatin1();
    EXPECT_TRUE(image.save(path, format.constData())) << path.toStdString();
    return path;
}

QString EditorFixture::clip(const QString& name) {
    const QString made = test::makeClip(env.file("media"), {.frames = 30}, name);
    EXPECT_FALSE(made.isEmpty());
    return made;
}

void EditorFixture::addWithFilesButton(const QStringList& paths) {
    dialogs.answer(paths);
    frame->editor()->button("Files")->click();
    dialogs.answer(QStringList());
}

QStringList EditorFixture::slideFiles() const {
    QStringList names;
    for (const auto& slide : gProject) {
        names << FileNamePart(slide->Filename);
    }
    return names;
}

}  // namespace brindle::test
