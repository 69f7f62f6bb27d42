// bench-sound IN OUT.wav OUT.avi [REPAINTS]: hosts the audio capture
// control in this process as the recording dialog does, opens a sound,
// repaints its waveform at positions 100 ms apart (the steps of a playback)
// and saves it to WAV and to AVI at 44100 Hz stereo. Prints the seconds of
// the open and of each save, and the median and worst repaint in ms.
#include "controls/audiocap/sonteval_ids.h"
#include "platform/dispatch/control_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    using namespace brindle;
    const QStringList args = QApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: bench-sound IN OUT.wav OUT.avi [REPAINTS]\n");
        return 2;
    }
    const int repaints = args.size() > 4 ? args[4].toInt() : 600;
    QWidget window;
    auto host = dispatch::ControlHost::load(sonteval::kControlName, &window);
    if (!host) {
        return 1;
    }
    QWidget* view = host->widget();
    view->resize(600, 120);

    QElapsedTimer clock;
    clock.start();
    if (!host->call(sonteval::DispOpenFile, {args[1]}).ok()) {
        std::fprintf(stderr, "bench-sound: cannot open %s\n", qPrintable(args[1]));
        return 1;
    }
    const double openSeconds = clock.nsecsElapsed() / 1e9;
    const int length = host->get(sonteval::DispLength).value.toInt();

    // Each repaint after a step of 100 ms, as during playback.
    QImage target(view->size(), QImage::Format_RGB32);
    std::vector<double> ms;
    for (int i = 0; i < repaints; ++i) {
        host->call(sonteval::DispSeek, {(i * 100) % std::max(1, length), 0});
        QElapsedTimer t;
        t.start();
        QPainter p(&target);
        view->render(&p);
        p.end();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());

    host->put(sonteval::DispSaveFormat, 0);
    clock.restart();
    const bool wav = host->call(sonteval::DispSave, {args[2]}).ok();
    const double wavSeconds = clock.nsecsElapsed() / 1e9;
    clock.restart();
    const bool avi = host->call(sonteval::DispSave, {args[3]}).ok();
    const double aviSeconds = clock.nsecsElapsed() / 1e9;
    if (!wav || !avi) {
        std::fprintf(stderr, "bench-sound: a save failed\n");
        return 1;
    }
    std::printf(
        "open %.6f\nsave_wav %.6f\nsave_avi %.6f\nrepaint_median_ms %.3f\nrepaint_max_ms %.3f\n",
        openSeconds, wavSeconds, aviSeconds, ms[ms.size() / 2], ms.back());
    return 0;
}
