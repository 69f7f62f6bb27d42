// bench-trim-seek CLIP POSITIONS_FILE: the clip edit dialog's seek path in
// one process. For each frame number in the file, the trim slider reports
// its pointer there (its PointerPosChanged event, as after a drag or a key),
// the dialog's handler seeks the media playback window to that frame, and
// the time until the picture is painted on the window is measured. Prints
// one line per position ("frame ms") and the median and 90th percentile in
// milliseconds.
#include "components/mediaplayer/media_player.h"
#include "controls/trimslider/vasklin_ids.h"
#include "platform/dispatch/control_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
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
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: bench-trim-seek CLIP POSITIONS_FILE\n");
        return 2;
    }
    QFile list(args[2]);
    if (!list.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench-trim-seek: cannot read %s\n", qPrintable(args[2]));
        return 2;
    }
    std::vector<int> frames;
    for (const QByteArray& line : list.readAll().split('\n')) {
        if (!line.trimmed().isEmpty()) {
            frames.push_back(line.trimmed().toInt());
        }
    }

    QWidget window;
    window.resize(660, 340);
    MediaPlayer player(&window);
    player.setGeometry(10, 10, 640, 280);
    auto slider = dispatch::ControlHost::load(vasklin::kControlName, &window);
    if (!slider) {
        return 1;
    }
    slider->widget()->setGeometry(10, 295, 640, 40);
    player.setTimeFormat(MediaPlayer::TimeFormat::Frames);
    if (!player.open(args[1])) {
        std::fprintf(stderr, "bench-trim-seek: %s does not open\n", qPrintable(args[1]));
        return 1;
    }
    window.show();
    const int total = static_cast<int>(player.length());
    slider->call(vasklin::DispSetTotalRange, {0, total - 1});
    slider->put(vasklin::DispEndEditPos, total - 1);
    slider->put(vasklin::DispShowTrimCtl, true);
    // The dialog's handler: the slider's pointer event seeks the player.
    slider->onEvent(vasklin::EventPointerPosChanged, [&player](const QVariantList& a) {
        player.setPosition(a.value(0).toInt());
        player.repaint();  // on the window, not just decoded
    });
    app.processEvents();

    // With BENCH_DUMP_DIR set, the first five pictures shown are saved there
    // as FRAME.png, for a check against another decoder.
    const QString dumpDir = qEnvironmentVariable("BENCH_DUMP_DIR");
    std::vector<double> times;
    for (int frame : frames) {
        // The pointer sits one frame off; the key press that moves it onto the
        // frame fires the event, as a user's key or drag does.
        const bool fromLeft = frame > 0;
        slider->put(vasklin::DispPointerPos, fromLeft ? frame - 1 : frame + 1);
        QKeyEvent key(QEvent::KeyPress, fromLeft ? Qt::Key_Right : Qt::Key_Left, Qt::NoModifier);
        QElapsedTimer clock;
        clock.start();
        QApplication::sendEvent(slider->widget(), &key);
        const double ms = clock.nsecsElapsed() / 1e6;
        if (player.position() != frame) {
            std::fprintf(stderr, "bench-trim-seek: asked %d, at %lld\n", frame,
                         static_cast<long long>(player.position()));
            return 1;
        }
        times.push_back(ms);
        std::printf("%d %.3f\n", frame, ms);
        if (!dumpDir.isEmpty() && times.size() <= 5) {
            player.image().save(QStringLiteral("%1/%2.png").arg(dumpDir).arg(frame));
        }
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double q) { return sorted[static_cast<size_t>(q * (sorted.size() - 1))]; };
    std::printf("median %.3f p90 %.3f\n", at(0.5), at(0.9));
    return 0;
}
