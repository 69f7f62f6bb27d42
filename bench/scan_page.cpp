// bench-scan: acquires one page through the scanner operations, as the
// scan dialog does, into a picture in memory (no file written). Prints the
// seconds taken and the page's size.
//
//   bench-scan DEVICE DPI
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

#include "components/imaging/scanner.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench-scan DEVICE DPI\n");
        return 2;
    }
    brindle::ScanSettings settings;
    settings.resolutionDpi = QString::fromLocal8Bit(argv[2]).toInt();
    brindle::ScanCancel cancel;
    QElapsedTimer timer;
    timer.start();
    const brindle::ScannedPage page =
        brindle::acquirePage(QString::fromLocal8Bit(argv[1]), settings, cancel);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (page.status != brindle::ScanStatus::Ok) {
        std::fprintf(stderr, "bench-scan: %s\n", qPrintable(brindle::scanStatusText(page.status)));
        return 1;
    }
    std::printf("%.3f %d %d\n", seconds, page.image.width(), page.image.height());
    return 0;
}
