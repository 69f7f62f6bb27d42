// bench-clip-cut CLIP FIRST LAST: cuts a clip in place through the clip edit
// control, hosted in this process as the editor hosts it, and prints the
// seconds that opening the clip and saving the cut took.
#include "controls/clipedit/klipvane_ids.h"
#include "platform/dispatch/control_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    using namespace brindle;
    const QStringList args = QApplication::arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: bench-clip-cut CLIP FIRST LAST\n");
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
