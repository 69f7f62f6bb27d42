// brindle-cli present FILE.bqx [--publish]: the presentation pass over the
// whole project, without the progress window, into the preview folder;
// with --publish in publishing mode, packed into the upload folder's
// "project.zip". Messages go to standard error; an interrupt (Ctrl-C,
// SIGTERM) cancels the pass as the progress window's Cancel button would.
#include "app/cli/clip_control.h"
#include "app/cli/pass_session.h"
#include "app/cli/subcommand.h"
#include "app/model/folders.h"
#include "app/model/progress.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/settings.h"
#include "app/present/publish.h"
#include "app/present/smil_master.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QFile>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace brindle::cli {

int runPresent(const QStringList& args) {
    bool publishing = false;
    QString project;
    for (const QString& a : args) {
        if (a == QLatin1String("--publish")) {
            publishing = true;
        } else if (project.isEmpty() && !a.startsWith(QLatin1String("--"))) {
            project = a;
        } else {
            return usageError();
        }
    }
    if (project.isEmpty()) {
        return usageError();
    }

    files::makeFolder(GetTempFolder());
    ScratchFolder scratch(GetTempFolder() + "cli-XXXXXX");
    if (!startUp(scratch)) {
        return kExitFailed;
    }
    readProject(project);  // reports an unreadable file itself
    if (gProject.count() == 0) {
        MsgBox(publishing ? str::NothingToPublish : str::NothingToPreview);
        return kExitFailed;
    }

    CancelRequested = false;
    gEncodeError = 0;
    {
        InterruptWatch watch;
        riteSmilMasterFile(1, gProject.count(), publishing, true);
    }
    // Without a window only an interrupt cancels; any other stop is an
    // encode that failed (its message is on standard error already). An
    // interrupt the pass did not see in time still packs nothing.
    if (CancelRequested || interrupted()) {
        if (interrupted()) {
            complain(QStringLiteral("cancelled"));
            return kExitCancelled;
        }
        complain(QStringLiteral("an encode failed (error %1)").arg(gEncodeError));
        return kExitFailed;
    }
    std::printf("%s\n", gPreviewFolder.toLocal8Bit().constData());

    if (publishing) {
        const QString packed = packedProjectPath();
        QFile::remove(packed);
        if (!riteZip(gPreviewFolder, packed)) {
            return kExitFailed;
        }
        std::printf("%s\n", packed.toLocal8Bit().constData());
    }
    std::fflush(stdout);
    return kExitOk;
}

}  // namespace brindle::cli
