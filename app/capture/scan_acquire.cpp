#include "app/capture/scan_acquire.h"

#include "app/capture/scan_options.h"
#include "app/capture/scan_state.h"
#include "app/model/progress.h"
#include "components/imaging/image_control.h"
#include "components/imaging/scan_job.h"
#include "platform/messages.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <memory>
#include <thread>

namespace brindle {

bool gScanning = false;
bool gScanCancelled = false;
bool gScannerPresent = false;

namespace {

void tellFailure(ScanStatus status) {
    MsgBoxText(str::ScanFailed, LoadResString(str::ScanFailed) + "  " + scanStatusText(status));
}

// Reads what the device offers on a worker thread (opening a device can
// take seconds); the window keeps working meanwhile.
ScanStatus capabilitiesWhileResponsive(const QString& device, ScanCapabilities* c) {
    QEventLoop loop;
    ScanStatus status = ScanStatus::Failed;
    std::thread worker([&] {
        status = readCapabilities(device, c);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    return status;
}

}  // namespace

bool acquireScan(ImageControl& target, const QString& device, QWidget* parent) {
    gScanCancelled = false;
    // No hourglass over the windows that ask the user something.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) {
        QApplication::restoreOverrideCursor();
    }
    struct CursorBack {
        bool busy;
        ~CursorBack() {
            if (busy) {
                QApplication::setOverrideCursor(Qt::WaitCursor);
            }
        }
    } cursorBack{busy};

    ScanCapabilities capabilities;
    if (const ScanStatus s = capabilitiesWhileResponsive(device, &capabilities);
        s != ScanStatus::Ok) {
        tellFailure(s);
        return false;
    }
    ScanOptions options(device, capabilities, parent);
    if (options.exec() != QDialog::Accepted) {
        gScanCancelled = true;
        return false;
    }

    ScanJob job;
    QEventLoop loop;
    QObject::connect(&job, &ScanJob::finished, &loop, &QEventLoop::quit);
    // The progress display's Cancel (its button, Escape, the close box)
    // raises CancelRequested; the watch passes it on to the job.
    CancelRequested = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &job, [&job] {
        if (CancelRequested) {
            job.cancel();
        }
    });

    gScanning = true;
    job.start(device, options.settings());
    std::unique_ptr<ProgressDisplay> progress;
    if (ProgressSink* sink = progressSink()) {
        progress = sink->open();
    }
    if (progress) {
        progress->setModal(true);
        progress->setStepBarShown(false);
        progress->setText(LoadResString(str::KindScan) + "...");
        progress->setMaximum(100);
        progress->setValue(0);
        ProgressDisplay* display = progress.get();
        QObject::connect(&job, &ScanJob::progress, &loop,
                         [display](int percent) { display->setValue(percent); });
    }
    watch.start(20);
    if (job.running()) {
        loop.exec();
    }
    watch.stop();
    progress.reset();
    gScanning = false;
    CancelRequested = false;

    const ScanStatus status = job.status();
    gScanCancelled = status == ScanStatus::Cancelled;
    if (status == ScanStatus::Ok) {
        target.setImage(job.image());
        return true;
    }
    if (!gScanCancelled) {
        tellFailure(status);
    }
    return false;
}

}  // namespace brindle
