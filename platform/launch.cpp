#include "platform/launch.h"

#include "platform/files.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/xdg_apps.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

namespace brindle {
namespace {

// The child record of the editor window. The process object is never
// deleted at exit: a player or browser the user is looking at outlives the
// program, as a child whose handles are merely closed does.
QProcess* gChild = nullptr;
bool gFirstLaunch = true;
qint64 gDetachedId = 0;
QString gLaunchTempFolder;

QString launchTempFolder() {
    return gLaunchTempFolder.isEmpty() ? GetTempFolder() + "Temp" : gLaunchTempFolder;
}

// Ends the recorded child only while it is still running as the program's
// own child process: one that has ended is reaped first, so its process id,
// which the system may since have given to another program, is never
// signalled.
void endRecordedChild() {
    if (gChild == nullptr) {
        return;
    }
    if (gChild->state() != QProcess::NotRunning && !gChild->waitForFinished(0)) {
        gChild->kill();
        gChild->waitForFinished(5000);
    }
    delete gChild;
    gChild = nullptr;
}

// Starts the command and records it as the child; false when it did not start.
bool startRecorded(const xdg::AppCommand& command, const QString& target) {
    auto* process = new QProcess;
    process->setProgram(command.program);
    process->setArguments(command.arguments(target));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start();
    if (!process->waitForStarted(10000)) {
        delete process;
        return false;
    }
    gChild = process;
    gFirstLaunch = false;
    return true;
}

// A browser in a process group of its own, never ended by the program.
bool startDetached(const xdg::AppCommand& command, const QString& target) {
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments(target));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        return false;
    }
    gDetachedId = pid;
    return true;
}

bool containsNoCase(const QString& text, const char* word) {
    return text.contains(QLatin1String(word), Qt::CaseInsensitive);
}

}  // namespace

QString FindExecutable(const QString& file) {
    return xdg::commandFor(file).program;
}

void LaunchPlayer(const QString& file) {
    const xdg::AppCommand command = xdg::commandFor(file);
    if (command.isEmpty()) {
        MsgBox(str::NoPlayer);
        return;
    }
    if (!gFirstLaunch) {
        endRecordedChild();
    }
    if (!startRecorded(command, file)) {
        MsgBox(str::PlayerNotLaunched);
    }
}

void LaunchBrowser(const QString& assocFile, const QString& target, bool managed) {
    QString lookup = assocFile;
    if (lookup.isEmpty()) {
        // The scratch page sits beside the program; an installed program's
        // folder is read-only, so the temporary folder takes its place then.
        lookup = QCoreApplication::applicationDirPath() + "/temp.htm";
        if (!QFileInfo::exists(lookup) && !files::createEmptyFile(lookup)) {
            files::makeFolder(launchTempFolder());
            lookup = launchTempFolder() + "/temp.htm";
            if (!QFileInfo::exists(lookup)) {
                files::createEmptyFile(lookup);
            }
        }
    }
    xdg::AppCommand command = xdg::commandFor(lookup);
    if (command.isEmpty()) {
        MsgBox(str::NoBrowser);
        return;
    }
    QString opened = target;
    const QString& exe = command.program;
    if (containsNoCase(exe, "IExplore")) {
        const QString version = RegGetString(HKEY_LOCAL_MACHINE, LoadResString(str::ExplorerKey),
                                             LoadResString(str::ExplorerVersion));
        if (!version.isEmpty()) {
            command.before << "-new";
        }
    } else if (containsNoCase(exe, "AOL")) {
        // This browser opens files only: a page that forwards to the target.
        files::makeFolder(launchTempFolder());
        const QString page = launchTempFolder() + "/temp.htm";
        QFile f(page);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            const QString line = "<META HTTP-EQUIV=" + QuoteArg("refresh") +
                                 " CONTENT=" + QuoteArg("0;URL=" + target) + ">\r\n";
            f.write(line.toLocal8Bit());
        }
        opened = page;
    }
    // A browser is never recorded: the process started may be the user's
    // whole browser, holding windows of their own, which ending it at the
    // next dimming would close. A managed launch still replaces the
    // recorded child (the player).
    if (managed) {
        endRecordedChild();
    }
    if (!startDetached(command, opened)) {
        MsgBox(str::BrowserNotLaunched);
    }
}

void CloseBrowser() {
    endRecordedChild();
}

bool OpenFolder(const QString& folder) {
    const xdg::AppCommand command = xdg::commandFor(folder);
    return !command.program.isEmpty() && startDetached(command, folder);
}

namespace launch {

void setTempFolder(const QString& folder) {
    gLaunchTempFolder = folder;
}

qint64 recordedChildId() {
    return gChild != nullptr ? gChild->processId() : 0;
}

qint64 detachedChildId() {
    return gDetachedId;
}

}  // namespace launch
}  // namespace brindle
