#include "app/editor/startup.h"

#include "app/editor/burst_form.h"
#include "app/editor/camera_commands.h"
#include "app/editor/first_paint.h"
#include "app/editor/main_frame.h"
#include "app/editor/scan_commands.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/settings.h"
#include "platform/dialogs/file_dialogs.h"
#include "platform/dialogs/message_boxes.h"
#include "platform/instance.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/temporaries.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>

namespace brindle {

namespace {

const QString kInstanceName = QStringLiteral("brindle");

// The hourglass for as long as the start-up runs, whichever way it ends.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

StartupResult::StartupResult() = default;
StartupResult::StartupResult(StartupResult&&) noexcept = default;
StartupResult& StartupResult::operator=(StartupResult&&) noexcept = default;
StartupResult::~StartupResult() {
    frame.reset();
    instance.reset();
}

bool screenIsLargeEnough(QSize screen) {
    return screen.width() >= 799 && screen.height() >= 599;
}

bool playerIsInstalled() {
    const QString version = RegGetString(HKEY_CLASSES_ROOT, LoadResString(str::PlayerKey), {});
    return version.left(2) == "6.";
}

QString projectFromCommandLine(const QString& commandLine) {
    QString path = commandLine;
    if (!path.isEmpty() && path.front() == '"') {
        path = path.mid(1);
        path.chop(1);
    }
    return path.endsWith(".bqx", Qt::CaseInsensitive) ? path : QString();
}

StartupResult startBrindle(const QString& commandLine, const QString& instanceFolder) {
    installMessageBoxes();
    installFileDialogs();
    StartupResult result;
    BusyCursor busy;

    gSettingsKey = LoadResString(str::SettingsKey);
    gAppTitle = LoadResString(str::AppTitle);
    QGuiApplication::setApplicationDisplayName(gAppTitle);
    QApplication::setWindowIcon(QIcon(resourcePath("brindle.png")));

    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !screenIsLargeEnough(screen->size())) {
        MsgBox(str::ScreenTooSmall, MsgButtons::Ok, MsgIcon::Critical);
        result.exitCode = 1;
        return result;
    }

    result.instance = std::make_unique<SingleInstance>(kInstanceName, instanceFolder);
    if (!result.instance->tryAcquire()) {
        // The running copy is only brought forward; it is not handed this
        // command line.
        MsgBox(str::AlreadyRunning, MsgButtons::Ok, MsgIcon::Exclamation);
        result.instance->notifyRunning();
        result.instance.reset();
        result.exitCode = 1;
        return result;
    }

    readSettings();
    computeFolders();
    // What a killed or crashed run of any Brindle program left behind.
    temporaries::cleanStale();

    if (!playerIsInstalled()) {
        MsgBox(str::PlayerMissing, MsgButtons::Ok, MsgIcon::Critical);
        result.exitCode = 1;
        return result;
    }

    burstForm burst;
    burst.showAndWait();

    result.frame = std::make_unique<MainFrame>();
    MainFrame& frame = *result.frame;
    setMessageParent(&frame);
    frame.placeOnScreen();
    QObject::connect(result.instance.get(), &SingleInstance::activated, &frame,
                     [&frame] { frame.comeForward(); });

    createFolders();
    resetCounters();

    if (windowStateIsNormal()) {
        frame.show();
    } else {
        frame.showMaximized();
    }

    burst.close();

    const QString project = projectFromCommandLine(commandLine);
    if (!project.isEmpty()) {
        readProject(project);
    }

    // The devices are looked for once the window and its project are
    // painted: a slow device never holds start-up, and the libraries the
    // scanner search and the capture control load do not delay the picture.
    startScannerSearch(frame);
    afterNextPaint(&frame, [&frame] { countCaptureDrivers(&frame); });
    return result;
}

}  // namespace brindle
