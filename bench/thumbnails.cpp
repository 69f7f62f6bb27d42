// bench-thumbnails: makes the strip thumbnail of each picture the way the
// editor does, with MakeThumbnail (load into the image control, fit into
// 320 x 240 with the proportions kept, resize, save as JPEG at quality
// factor 2), then moves the scratch thumbnail into OUTDIR as the slide's
// copy would, with the thumbnails made ahead on every core as the editor's
// Files command does (BENCH_NO_AHEAD=1: one after the other). Prints the
// seconds taken.
//
//   bench-thumbnails OUTDIR PICTURE...
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include "app/capture/thumbnail.h"
#include "app/model/folders.h"
#include "app/model/media_element.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench-thumbnails OUTDIR PICTURE...\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    brindle::gTempFolder = outDir + "/.temp-" + QString::number(QCoreApplication::applicationPid());
    QDir().mkpath(brindle::gTempFolder);

    int failed = 0;
    QElapsedTimer timer;
    timer.start();
    // As the editor's Files command: the chosen pictures' thumbnails are
    // made ahead on every core while the slides are added one by one.
    QStringList pictures;
    for (int i = 2; i < argc; ++i) {
        pictures << QString::fromLocal8Bit(argv[i]);
    }
    if (qEnvironmentVariableIsEmpty("BENCH_NO_AHEAD")) {
        brindle::prefetchThumbnails(pictures);
    }
    for (int i = 2; i < argc; ++i) {
        const QString picture = QString::fromLocal8Bit(argv[i]);
        const QString out = outDir + "/" + QFileInfo(picture).completeBaseName() + ".jpg";
        const QString made = brindle::MakeThumbnail(brindle::MediaImage, picture);
        QFile::remove(out);
        if (!QFile::rename(made, out)) {
            std::fprintf(stderr, "bench-thumbnails: %s failed\n", qPrintable(picture));
            ++failed;
        }
    }
    std::printf("%.3f\n", timer.nsecsElapsed() / 1e9);
    QDir(brindle::gTempFolder).removeRecursively();
    return failed ? 1 : 0;
}
