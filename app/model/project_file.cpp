// Saving: asking for a name, the table of contents and the archive.
#include "app/model/project_file.h"

#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_session.h"
#include "app/model/project_view.h"
#include "app/model/project_zip.h"
#include "app/model/settings.h"
#include "app/model/toc_format.h"
#include "platform/file_dialogs.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace brindle {
namespace {

constexpr int kProjectLevel = 6;

QString askSaveName() {
    return chooseFile(saveFileRequest(LoadResString(str::SaveProjectTitle),
                                      LoadResString(str::ProjectFilter), gProjectPath,
                                      FileNamePart(gProjectFile)));
}

}  // namespace

// The archive replaces an existing project file only once it is complete
// (the component writes it beside the old one and renames it over), so a
// failed save leaves the previous file as it was.
bool riteZip(const QString& /*folder*/, const QString& zipPath) {
    using namespace zipids;
    ProjectZip& zip = projectZip();
    if (zip.get(DispFileList).value.toStringList().isEmpty()) {
        MsgBox(str::SaveFailed);
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
        MsgBox(str::SaveFailed);
        return false;
    }
    return true;
}

bool extractZip(const QString& folder, const QString& zipPath, const QStringList& only) {
    using namespace zipids;
    ProjectZip& zip = projectZip();
    zip.setOnlyMembers(only);
    zip.put(DispFileList, QString());
    zip.put(DispArchiveName, zipPath);
    zip.put(DispSwitch201, false);
    zip.put(DispSwitch310, false);
    zip.put(DispDestination, folder);
    const int code = zip.call(DispUnzip).value.toInt();
    zip.setOnlyMembers({});
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
            MsgBoxText(str::NoRoomToOpen,
                       LoadResString(str::NoRoomToOpen) + QDir::toNativeSeparators(folder));
        } else {
            MsgBox(str::NotRecognised);
        }
        return false;
    }
    return true;
}

int riteProject(bool askName) {
    if (gProject.count() == 0) {
        MsgBox(str::NothingToSave);
        return 1;
    }
    if (askName || gProjectFile.isEmpty()) {
        const QString answer = askSaveName();
        // No name is no save, reported as a cancel so that a caller about
        // to discard the project stops.
        if (answer.isEmpty()) {
            return kSaveCancelled;
        }
        gProjectPath = DirPart(answer);
        gProjectFile = answer;
        gProjectName = projectNameOf(gProjectFile);
        showProjectCaption();
    }

    bool saved = false;
    {
        BusyScope hourglass;
        ProjectProgress progress(str::SavingProject, &gSaving);
        // An archive without its whole table could not be opened again.
        if (riteTOC(gWorkFolder + "/" + kTocFileName)) {
            saved = riteZip(gWorkFolder, gProjectFile);
        } else {
            MsgBox(str::SaveFailed);
        }
    }
    if (!saved) {
        return kSaveFailed;
    }
    gProjectChanged = false;
    return 0;
}

}  // namespace brindle
