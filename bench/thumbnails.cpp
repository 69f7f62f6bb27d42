// bench-thumbnails: makes the strip thumbnail of each picture the way the
// editor does, with MakeThumbnail (load into the image control, fit into
// 320 x 240 with the proportions kept, resize, save as JPEG at quality
// factor 2), then moves the scratch thumbnail into OUTDIR as the slide's
// copy would, with the thumbnails made ahead on every core as the editor's
// Files command does (BENCH_NO_AHEAD=1: one after the other). Prints the
// seconds taken.
//
//   bench-thumbnails OUTDIR PICTURE...
//
// With --prepare first, the pictures become the picture slides of a
// project and each is prepared as the preview pass prepares it (fitted into
// 320 x 240, "pix" + slide + ".jpg" in OUTDIR, the next slides' pictures
// made ahead on every core), one slide after the other.
//
//   bench-thumbnails --prepare OUTDIR PICTURE...
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

#include "app/capture/thumbnail.h"
#include "app/model/folders.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/present/picture_prep.h"

namespace {

int preparePictures(const QString& outDir, const QStringList& pictures) {
    using namespace brindle;
    // The slides' own copies, as in a project (not timed).
    gWorkFolder = gTempFolder + "/Work";
    QDir().mkpath(gWorkFolder);
    const QString thumbnail = gTempFolder + "/thumb.jpg";
    QFile(thumbnail).open(QIODevice::WriteOnly);
    for (const QString& picture : pictures) {
        MediaSource s;
        s.mediaType = MediaImage;
        s.Filename = picture;
        s.Thumbnail = thumbnail;
        if (!gProject.Add(s)) {
            return 1;
        }
    }
    int failed = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= gProject.count(); ++i) {
        if (!preparePicture(gProject.Item(i)->Filename, outDir + "/" + pictureFileName(i))) {
            std::fprintf(stderr, "bench-thumbnails: %s failed\n",
                         qPrintable(gProject.Item(i)->Filename));
            ++failed;
        }
    }
    std::printf("%.3f\n", timer.nsecsElapsed() / 1e9);
    gProject.clear();
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool prepare = argc > 1 && std::strcmp(argv[1], "--prepare") == 0;
    if (prepare) {
        --argc;
        ++argv;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench-thumbnails [--prepare] OUTDIR PICTURE...\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    brindle::gTempFolder = outDir + "/.temp-" + QString::number(QCoreApplication::applicationPid());
    QDir().mkpath(brindle::gTempFolder);
    if (prepare) {
        QStringList pictures;
        for (int i = 2; i < argc; ++i) {
            pictures << QString::fromLocal8Bit(argv[i]);
        }
        const int result = preparePictures(outDir, pictures);
        QDir(brindle::gTempFolder).removeRecursively();
        return result;
    }

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
