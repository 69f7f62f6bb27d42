// Saving: the save file dialog, the table of contents and the archive.
#include "app/model/project_file.h"

#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_session.h"
#include "app/model/project_view.h"
#include "app/model/project_zip.h"
#include "app/model/settings.h"
#include "app/model/toc_format.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStorageInfo>

namespace brindle {
namespace {

constexpr int kNothingToSaveEntry = 126;
constexpr int kSaveFailedEntry = 133;
constexpr int kNotRecognisedEntry = 134;
constexpr int kNoRoomToOpenEntry = 1421;
constexpr int kSaveTitleEntry = 78;
constexpr int kSavingEntry = 152;
constexpr int kProjectFilterEntry = 168;
constexpr int kProjectLevel = 6;

SaveDialogFunction& saveDialogHook() {
    static SaveDialogFunction hook;
    return hook;
}

std::optional<QString> fileDialog(const SaveDialogRequest& request) {
    QWidget* parent = projectView() ? projectView()->dialogParent() : nullptr;
    QFileDialog dialog(parent, request.title, request.initialFolder);
    dialog.setObjectName("SaveProjectDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);  // the folder must exist
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setNameFilters(files::nameFilters(request.filter));
    if (!request.proposedName.isEmpty()) {
        dialog.selectFile(request.proposedName);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

std::optional<QString> askSaveName() {
    const SaveDialogRequest request{LoadResString(kSaveTitleEntry),
                                    LoadResString(kProjectFilterEntry), gProjectPath,
                                    FileNamePart(gProjectFile)};
    const SaveDialogFunction& hook = saveDialogHook();
    return hook ? hook(request) : fileDialog(request);
}

}  // namespace

void setSaveFileDialog(SaveDialogFunction dialog) {
    saveDialogHook() = std::move(dialog);
}

std::optional<QString> askSaveFile(const SaveDialogRequest& request) {
    const SaveDialogFunction& hook = saveDialogHook();
    return hook ? hook(request) : fileDialog(request);
}

// The archive replaces an existing project file only once it is complete
// (the component writes it beside the old one and renames it over), so a
// failed save leaves the previous file as it was.
bool riteZip(const QString& /*folder*/, const QString& zipPath) {
    using namespace projectzip;
    ProjectZip& zip = projectZip();
    if (zip.get(DispFileList).value.toStringList().isEmpty()) {
        MsgBox(kSaveFailedEntry);
        return false;
    }
    zip.put(DispSwitch310, true);
    zip.put(DispArchiveName, zipPath);
    zip.put(DispSwitch201, false);
    zip.put(DispLevel, kProjectLevel);
    const int code = zip.call(DispZip).value.toInt();
    if (!zipSucceeded(code)) {
        qWarning().noquote() << "saving" << zipPath << "failed:" << zipResultText(code)
                             << zip.lastErrorText();
        MsgBox(kSaveFailedEntry);
        return false;
    }
    return true;
}

bool extractZip(const QString& folder, const QString& zipPath) {
    using namespace projectzip;
    ProjectZip& zip = projectZip();
    zip.put(DispFileList, QString());
    zip.put(DispArchiveName, zipPath);
    zip.put(DispSwitch201, false);
    zip.put(DispSwitch310, false);
    zip.put(DispDestination, folder);
    const int code = zip.call(DispUnzip).value.toInt();
    if (!zipSucceeded(code)) {
        qWarning().noquote() << "opening" << zipPath << "failed:" << zipResultText(code)
                             << zip.lastErrorText();
        // A full disk is no fault of the file: saying its format is not
        // recognised would send the user looking in the wrong place. An
        // archive declaring more than deflate can make of its size (1032
        // to 1) is at fault itself, whatever room there is.
        constexpr qint64 kMostDeflateRatio = 1032;
        if (code == ZipNoSpace &&
            QStorageInfo(folder).bytesAvailable() < QFileInfo(zipPath).size() * kMostDeflateRatio) {
            MsgBoxText(kNoRoomToOpenEntry,
                       LoadResString(kNoRoomToOpenEntry) + QDir::toNativeSeparators(folder));
        } else {
            MsgBox(kNotRecognisedEntry);
        }
        return false;
    }
    return true;
}

int riteProject(bool askName) {
    if (gProject.count() == 0) {
        MsgBox(kNothingToSaveEntry);
        return 1;
    }
    if (askName || gProjectFile.isEmpty()) {
        const std::optional<QString> answer = askSaveName();
        // No name is no save, reported as a cancel so that a caller about
        // to discard the project stops.
        if (!answer || answer->isEmpty()) {
            return kSaveCancelled;
        }
        gProjectPath = DirPart(*answer);
        gProjectFile = *answer;
        gProjectName = projectNameOf(gProjectFile);
        showProjectCaption();
    }

    bool saved = false;
    {
        WaitCursor hourglass;
        ProjectProgress progress(kSavingEntry, &gSaving);
        // An archive without its whole table could not be opened again.
        if (riteTOC(gWorkFolder + "/" + kTocFileName)) {
            saved = riteZip(gWorkFolder, gProjectFile);
        } else {
            MsgBox(kSaveFailedEntry);
        }
    }
    if (!saved) {
        return kSaveFailed;
    }
    gProjectChanged = false;
    return 0;
}

}  // namespace brindle
