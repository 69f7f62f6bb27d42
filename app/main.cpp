// Brindle: turns pictures, clips, text and narration into a narrated slide
// show.
#include "app/editor/dialog_screenshot.h"
#include "app/editor/first_paint.h"
#include "app/editor/main_frame.h"
#include "app/editor/scan_screenshot.h"
#include "app/editor/screenshot.h"
#include "app/editor/slide_strip.h"
#include "app/editor/startup.h"
#include "components/imaging/scan_job.h"
#include "platform/messages.h"
#include "platform/picture_limits.h"
#include "platform/temporaries.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

int runEditor(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(BRINDLE_VERSION));
    using namespace brindle;
    setPictureMemoryLimit();
    // For scripts and tests that run the program without anyone to answer:
    // messages go to standard error with the box's default answer.
    StderrMessageSink stderrSink;
    if (qEnvironmentVariable("BRINDLE_MESSAGES") == "stderr") {
        setMessageSink(&stderrSink);
    }

    QStringList args = QApplication::arguments().mid(1);
    // Hidden option for the documentation: --screenshot out.png [files...]
    // lays the files out as slides, grabs the window and ends.
    QString screenshotFile;
    QStringList screenshotMedia;
    if (args.size() >= 2 && args.front() == "--screenshot") {
        screenshotFile = args.at(1);
        args = args.mid(2);
        while (!args.isEmpty() && !args.front().endsWith(".bqx", Qt::CaseInsensitive)) {
            screenshotMedia << args.takeFirst();
        }
    }

    // Hidden option for the documentation: --dialog-screenshot NAME out.png
    // opens one of the program's dialogs, grabs it and ends.
    QString dialogName;
    if (args.size() >= 3 && args.front() == "--dialog-screenshot") {
        dialogName = args.at(1);
        screenshotFile = args.at(2);
        args = args.mid(3);
    }
    // And --scan-screenshot out.png: the scan result dialog with a page
    // from the first scanner.
    QString scanScreenshotFile;
    if (args.size() == 2 && args.front() == "--scan-screenshot") {
        scanScreenshotFile = args.at(1);
        args.clear();
    }

    StartupResult started = startBrindle(args.join(' '));
    if (!started.frame) {
        return started.exitCode;
    }
    if (!dialogName.isEmpty()) {
        return takeDialogScreenshot(*started.frame, dialogName, screenshotFile) ? 0 : 1;
    }
    if (!scanScreenshotFile.isEmpty()) {
        return takeScanScreenshot(*started.frame, scanScreenshotFile) ? 0 : 1;
    }
    if (!screenshotFile.isEmpty()) {
        return takeScreenshot(*started.frame, screenshotMedia, screenshotFile) ? 0 : 1;
    }
    reportFirstStripPaint(started.frame->strip());
    const int code = QApplication::exec();
    started.frame.reset();
    return code;
}

}  // namespace

int main(int argc, char* argv[]) {
    const int code = runEditor(argc, argv);
    // The window and the application are gone. Cancelled scans end within
    // one device read and are waited for; a scanner search still loading
    // SANE's backends is not: the user asked to quit and nothing waits for
    // its answer. With one left, the process ends here, without the static
    // teardown that thread still relies on.
    if (!brindle::joinScannerThreads()) {
        brindle::temporaries::finish();
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
