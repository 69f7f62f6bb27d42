// bench-clip-cut CLIP FIRST LAST: cuts a clip in place through the clip edit
// control, hosted in this process as the editor hosts it, and prints the
// seconds that opening the clip and saving the cut took.
//
// bench-clip-cut --frames CLIP N: asks the control for N frames spread
// over the clip as packed bitmaps (the slide strip's and the clip edit
// dialog's way to a picture), the clip opened once, and prints the median
// and the slowest milliseconds of one frame.
#include "controls/clipedit/klipvane_ids.h"
#include "platform/dispatch/control_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    using namespace brindle;
    const QStringList args = QApplication::arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--frames")) {
        QWidget window;
        auto host = dispatch::ControlHost::load(klipvane::kControlName, &window);
        if (!host) {
            return 1;
        }
        host->put(klipvane::DispFilename, args[2]);
        const int total = host->get(klipvane::DispTotalFrames).value.toInt();
        const int count = std::max(1, args[3].toInt());
        if (total <= 0) {
            std::fprintf(stderr, "bench-clip-cut: no frames in %s\n", qPrintable(args[2]));
            return 1;
        }
        std::vector<double> ms;
        for (int i = 0; i < count; ++i) {
            // A fixed scatter over the clip, never in order.
            const int frame = int((std::int64_t(i) * 7919) % total);
            QElapsedTimer one;
            one.start();
            const quintptr dib = host->call(klipvane::DispGetDIB, {frame}).value.value<quintptr>();
            ms.push_back(one.nsecsElapsed() / 1e6);
            if (dib == 0) {
                std::fprintf(stderr, "bench-clip-cut: no picture for frame %d\n", frame);
                return 1;
            }
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%.3f %.3f\n", ms[ms.size() / 2], ms.back());
        return 0;
    }
    if (args.size() != 4) {
        std::fprintf(stderr,
                     "usage: bench-clip-cut CLIP FIRST LAST\n"
                     "       bench-clip-cut --frames CLIP N\n");
        return 2;
    }
    QWidget window;
    auto host = dispatch::ControlHost::load(klipvane::kControlName, &window);
    if (!host) {
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    host->put(klipvane::DispFilename, args[1]);
    host->put(klipvane::DispFirstFrame, args[2].toInt());
    host->put(klipvane::DispLastFrame, args[3].toInt());
    const bool saved = host->call(klipvane::DispSave).value.toBool();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (!saved) {
        std::fprintf(stderr, "bench-clip-cut: the cut failed\n");
        return 1;
    }
    std::printf("%.6f\n", seconds);
    return 0;
}
