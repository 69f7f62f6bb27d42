#include "app/model/folders.h"

#include "platform/files.h"
#include "platform/messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace brindle {

QString gTempFolder;
QString gPreviewFolder;
QString gWorkFolder;
QString gUploadFolder;

namespace {}  // namespace

QString hostFolder(const QString& text) {
    if (text.compare(LoadResString(str::UploadFolder), Qt::CaseInsensitive) == 0) {
        return QDir::homePath() + "/uploads";
    }
    if (text.compare(LoadResString(str::DocumentsFolder), Qt::CaseInsensitive) == 0) {
        const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return docs.isEmpty() ? QDir::homePath() : docs;
    }
    return text;
}

void computeFolders() {
    const QString temp = GetTempFolder();
    gTempFolder = temp + "Temp";
    gPreviewFolder = temp + "Preview";
    gWorkFolder = temp + "Work";
    gUploadFolder = hostFolder(LoadResString(str::UploadFolder));
}

void createFolders() {
    for (const QString* folder : {&gTempFolder, &gPreviewFolder, &gWorkFolder, &gUploadFolder}) {
        files::makeFolder(*folder);
    }
}

void createTempAndWorkFolders() {
    files::makeFolder(gTempFolder);
    files::makeFolder(gWorkFolder);
}

void clearWorkAndPreview() {
    KillFiles(gWorkFolder + "/*.*");
    KillFiles(gPreviewFolder + "/*.*");
}

void emptyFoldersAtExit() {
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    KillFiles(gWorkFolder + "/*");
    KillFiles(gTempFolder + "/*");
    KillFiles(gPreviewFolder + "/*");
}

}  // namespace brindle
