// bench-thumbnails: makes the strip thumbnail of each picture as the editor
// does: load into the image control, fit the picture into 320 x 240 with its
// proportions kept (smaller pictures are enlarged), resize, save as JPEG at
// quality factor 2. Prints the seconds taken.
//
//   bench-thumbnails [--threads N] OUTDIR PICTURE...
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "components/imaging/image_control.h"

namespace {

bool makeThumbnail(const QString& picture, const QString& out) {
    brindle::ImageControl worker;
    if (worker.load(picture) != brindle::ImageStatus::Ok) {
        return false;
    }
    // Both sides divided by the larger of width / 320 and height / 240, in
    // whole numbers so that 3000 x 4000 gives 180 x 240, not 180 x 239.
    const qint64 iw = worker.width(), ih = worker.height();
    const bool wide = iw * 240 >= ih * 320;
    const int w = int(std::max<qint64>(1, wide ? 320 : iw * 240 / ih));
    const int h = int(std::max<qint64>(1, wide ? ih * 320 / iw : 240));
    return worker.resize(w, h, 0) == brindle::ImageStatus::Ok &&
           worker.save(out, brindle::ImageControl::kFormatJpeg, 24, 2) == brindle::ImageStatus::Ok;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int arg = 1, threads = 1;
    if (arg + 1 < argc && std::strcmp(argv[arg], "--threads") == 0) {
        threads = std::max(1, std::atoi(argv[arg + 1]));
        arg += 2;
    }
    if (argc - arg < 2) {
        std::fprintf(stderr, "usage: bench-thumbnails [--threads N] OUTDIR PICTURE...\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[arg]);
    std::vector<QString> pictures;
    for (int i = arg + 1; i < argc; ++i) {
        pictures.push_back(QString::fromLocal8Bit(argv[i]));
    }

    std::atomic<size_t> next{0};
    std::atomic<int> failed{0};
    auto work = [&] {
        for (size_t i = next++; i < pictures.size(); i = next++) {
            const QString out = outDir + "/" + QFileInfo(pictures[i]).completeBaseName() + ".jpg";
            if (!makeThumbnail(pictures[i], out)) {
                std::fprintf(stderr, "bench-thumbnails: %s failed\n", qPrintable(pictures[i]));
                ++failed;
            }
        }
    };
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) {
        pool.emplace_back(work);
    }
    work();
    for (std::thread& t : pool) {
        t.join();
    }
    std::printf("%.3f\n", timer.nsecsElapsed() / 1e9);
    return failed ? 1 : 0;
}
