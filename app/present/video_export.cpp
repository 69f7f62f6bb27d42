#include "app/present/video_export.h"

#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "app/present/pass_progress.h"
#include "app/present/smil_master.h"
#include "platform/messages.h"
#include "platform/temporaries.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>

#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <memory>

namespace brindle {

namespace {

// The editor is dimmed and the progress display shown for the whole export;
// both end with it, however it ends.
class ExportWindow {
public:
    explicit ExportWindow(bool silent) {
        if (silent) {
            return;
        }
        ProjectView* view = projectView();
        if (view) {
            view->dimTheWindow(true);
            m_dimmed = true;
        }
        if (ProgressSink* sink = progressSink()) {
            m_display = sink->open();
        }
        if (m_display) {
            m_display->setName(QStringLiteral("ExportProgress"));
            lendPassProgressDisplay(m_display.get());
        }
    }
    ~ExportWindow() {
        lendPassProgressDisplay(nullptr);
        m_display.reset();
        if (m_dimmed && projectView()) {
            projectView()->dimTheWindow(false);
        }
    }
    ExportWindow(const ExportWindow&) = delete;
    ExportWindow& operator=(const ExportWindow&) = delete;

    void renderStage() {
        if (!m_display) {
            return;
        }
        m_display->setText(LoadResString(str::MakingVideo));
        m_display->setMaximum(100);
        m_display->setValue(0);
    }
    void setPercent(int percent) {
        if (m_display) {
            m_display->setValue(percent);
        }
    }

private:
    std::unique_ptr<ProgressDisplay> m_display;
    bool m_dimmed = false;
};

QString lastLine(const QByteArray& output) {
    const QStringList lines =
        QString::fromLocal8Bit(output).split(QRegularExpression("[\r\n]"), Qt::SkipEmptyParts);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (!it->startsWith(QLatin1String("Exporting:"))) {
            return it->trimmed();
        }
    }
    return {};
}

// Runs the player's exporter on smilPath into outPath, following its
// progress, until it ends or CancelRequested is set (the child is ended
// then). Answers the outcome; *error gets the exporter's reason.
ExportOutcome render(const QString& smilPath, const QString& outPath, QSize size,
                     ExportWindow& window, QString* error) {
    const QString program = exportPlayerProgram();
    if (program.isEmpty()) {
        *error = QStringLiteral("brindle-player was not found");
        return ExportOutcome::Failed;
    }
    QStringList args{QStringLiteral("--export"), outPath};
    if (!size.isEmpty()) {
        args << QStringLiteral("--size")
             << QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    }
    args << smilPath;

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Drawing frames needs no screen; the child never shows a window.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setStandardInputFile(QProcess::nullDevice());
    QByteArray errors;
    QEventLoop loop;
    QObject::connect(&child, &QProcess::readyReadStandardError, &loop, [&] {
        const QByteArray chunk = child.readAllStandardError();
        errors += chunk;
        const int percent = exportPercentIn(chunk);
        if (percent >= 0) {
            window.setPercent(percent);
        }
    });
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&child, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            loop.quit();
        }
    });
    QTimer cancelWatch;
    QObject::connect(&cancelWatch, &QTimer::timeout, &loop, [&] {
        if (CancelRequested && child.state() != QProcess::NotRunning) {
            child.kill();
        }
    });
    cancelWatch.start(50);
    child.start(program, args);
    if (child.state() != QProcess::NotRunning || child.error() != QProcess::FailedToStart) {
        loop.exec();
    }
    cancelWatch.stop();
    child.waitForFinished(5000);
    errors += child.readAllStandardError();
    if (CancelRequested) {
        return ExportOutcome::Cancelled;
    }
    if (child.error() == QProcess::FailedToStart) {
        *error = program + ": " + child.errorString();
        return ExportOutcome::Failed;
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        *error = lastLine(errors);
        return ExportOutcome::Failed;
    }
    return ExportOutcome::Done;
}

}  // namespace

QList<QSize> exportSizes() {
    return {QSize(330, 270), QSize(640, 480), QSize(1280, 960)};
}

int exportPercentIn(const QByteArray& output) {
    static const QRegularExpression progress(QStringLiteral("Exporting:\\s*(\\d+)%"));
    int percent = -1;
    auto it = progress.globalMatch(QString::fromLatin1(output));
    while (it.hasNext()) {
        percent = it.next().captured(1).toInt();
    }
    return percent;
}

QString exportPlayerProgram() {
    const QString beside = QCoreApplication::applicationDirPath() + "/brindle-player";
    if (QFileInfo(beside).isExecutable()) {
        return beside;
    }
    return QStandardPaths::findExecutable(QStringLiteral("brindle-player"));
}

ExportOutcome exportVideo(const VideoExportRequest& request) {
    if (gProject.count() == 0) {
        MsgBox(str::NothingToPreview);
        return ExportOutcome::Failed;
    }
    // The hidden file beside the chosen name is made first, so a folder
    // that cannot be written is reported before any work is done.
    const QFileInfo out(request.outPath);
    std::string partialName =
        QFile::encodeName(out.absolutePath() + "/." + out.completeBaseName() + "-XXXXXX.mp4")
            .toStdString();
    const int partialFd = temporaries::makeFile(partialName, 4, 0666);
    if (partialFd < 0) {
        MsgBoxText(str::VideoFolderUnwritable, LoadResString(str::VideoFolderUnwritable) +
                                                   QDir::toNativeSeparators(out.absolutePath()));
        return ExportOutcome::Failed;
    }
    ::close(partialFd);
    QFile partial(QFile::decodeName(partialName.c_str()));
    // Removed on every way out but the one that renames it into place.
    auto removePartial = qScopeGuard([&partial] { partial.remove(); });

    CancelRequested = false;
    gEncodeError = 0;
    ExportWindow window(request.silent);
    riteSmilMasterFile(1, gProject.count(), false, request.silent, PassPace::NoPauses);
    if (CancelRequested) {
        // A failed encode has told its reason already.
        return gEncodeError != 0 ? ExportOutcome::Failed : ExportOutcome::Cancelled;
    }

    window.renderStage();
    QString error;
    const ExportOutcome rendered =
        render(gPreviewFolder + "/preView.smi", partial.fileName(), request.size, window, &error);
    if (rendered == ExportOutcome::Done) {
        // rename(2) replaces an older file in one step, so there is no
        // moment without a video at outPath.
        if (std::rename(QFile::encodeName(partial.fileName()).constData(),
                        QFile::encodeName(out.absoluteFilePath()).constData()) == 0) {
            removePartial.dismiss();
            return ExportOutcome::Done;
        }
        error = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (rendered == ExportOutcome::Cancelled) {
        return rendered;
    }
    MsgBoxText(str::VideoNotMade, LoadResString(str::VideoNotMade) + error);
    return ExportOutcome::Failed;
}

}  // namespace brindle
