// bench-zip: packs files flat into an archive, or unpacks one into a folder,
// with the zip component exactly as the program uses it (level 6, each
// member under its bare name). Prints the seconds taken and the result code.
//
//   bench-zip pack ARCHIVE FILE...      (--no-sync first: skip the flush)
//   bench-zip unpack ARCHIVE FOLDER
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>

#include "components/zip/zip_component.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int arg = 1;
    bool sync = true;
    if (arg < argc && std::strcmp(argv[arg], "--no-sync") == 0) {
        sync = false;
        ++arg;
    }
    if (argc - arg < 3 ||
        (std::strcmp(argv[arg], "pack") != 0 && std::strcmp(argv[arg], "unpack") != 0)) {
        std::fprintf(stderr,
                     "usage: bench-zip [--no-sync] pack ARCHIVE FILE...\n"
                     "       bench-zip unpack ARCHIVE FOLDER\n");
        return 2;
    }
    const bool pack = std::strcmp(argv[arg], "pack") == 0;
    brindle::ZipComponent zip;
    zip.setArchiveName(QString::fromLocal8Bit(argv[arg + 1]));
    zip.setSyncBeforeReplace(sync);
    int code = 0;
    QElapsedTimer timer;
    timer.start();
    if (pack) {
        zip.clearFiles();
        for (int i = arg + 2; i < argc; ++i) {
            zip.addFile(QString::fromLocal8Bit(argv[i]));
        }
        code = zip.zip();
    } else {
        zip.setDestination(QString::fromLocal8Bit(argv[arg + 2]));
        code = zip.unzip();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%.3f %d\n", seconds, code);
    if (!brindle::zipSucceeded(code)) {
        std::fprintf(stderr, "bench-zip: %s (%s)\n", qPrintable(brindle::zipResultText(code)),
                     qPrintable(zip.lastErrorText()));
        return 1;
    }
    return 0;
}
