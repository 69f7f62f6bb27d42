// brindle-player: plays a Brindle presentation (.smi, or a .rpm/.ram that
// points at one), exports it to MP4, draws one frame of it, or registers
// itself as the desktop's player for SMIL files.
#include "platform/picture_limits.h"
#include "platform/temporaries.h"
#include "player/exporter.h"
#include "player/player_window.h"
#include "player/presentation.h"
#include "player/registration.h"
#include "player/renderer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <optional>

#include <unistd.h>

namespace {

using namespace brindle;

const char* kUsage =
    "usage: brindle-player [FILE]\n"
    "       brindle-player --export OUT.mp4 [--size WxH] [--fps N] FILE\n"
    "       brindle-player --frame MS OUT.png [--size WxH] FILE\n"
    "       brindle-player --register\n"
    "FILE is a .smi presentation or a .rpm/.ram file that points at one.\n"
    "In the player: Space play/pause, S stop, Left/Right 5 s back/ahead,\n"
    "Home to the start, F full screen, Q quit.\n";

struct Options {
    QString mode;  // "", "export", "frame", "register", "help"
    QString file;
    QString out;
    std::int64_t frameMs = 0;
    QSize size;
    int fps = 25;
    QString error;
};

std::optional<QSize> parseSize(const QString& text) {
    const QStringList parts = text.toLower().split('x');
    if (parts.size() != 2) {
        return std::nullopt;
    }
    bool okW = false;
    bool okH = false;
    const int w = parts[0].toInt(&okW);
    const int h = parts[1].toInt(&okH);
    if (!okW || !okH || w < 2 || h < 2 || w > 7680 || h > 4320) {
        return std::nullopt;
    }
    return QSize(w, h);
}

Options parse(const QStringList& args) {
    Options o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](const char* what) -> QString {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("%1 needs %2").arg(a, what);
                return {};
            }
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            o.mode = "help";
        } else if (a == "--register") {
            o.mode = "register";
        } else if (a == "--export") {
            o.mode = "export";
            o.out = value("an output file");
        } else if (a == "--frame") {
            o.mode = "frame";
            bool ok = false;
            o.frameMs = value("a time in milliseconds").toLongLong(&ok);
            if (!ok || o.frameMs < 0) {
                o.error = o.error.isEmpty() ? "--frame needs a time in milliseconds" : o.error;
            }
            o.out = value("an output file");
        } else if (a == "--size") {
            const std::optional<QSize> s = parseSize(value("WxH"));
            if (!s) {
                o.error = o.error.isEmpty() ? "--size needs WxH, e.g. 640x480" : o.error;
            } else {
                o.size = *s;
            }
        } else if (a == "--fps") {
            bool ok = false;
            o.fps = value("a number").toInt(&ok);
            if (!ok || o.fps < 1 || o.fps > 120) {
                o.error = o.error.isEmpty() ? "--fps needs a number from 1 to 120" : o.error;
            }
        } else if (a.startsWith("--")) {
            o.error = "unknown option " + a;
        } else if (o.file.isEmpty()) {
            o.file = a;
        } else {
            o.error = "more than one presentation given";
        }
        if (!o.error.isEmpty()) {
            break;
        }
    }
    if (o.error.isEmpty() && (o.mode == "export" || o.mode == "frame") && o.file.isEmpty()) {
        o.error = "no presentation given";
    }
    return o;
}

int fail(const QString& text) {
    std::fprintf(stderr, "brindle-player: %s\n", qPrintable(text));
    return 1;
}

std::optional<Presentation> load(const QString& file) {
    PresentationLoad l = loadPresentation(file);
    if (!l.presentation) {
        fail(QStringLiteral("%1 cannot be played: %2").arg(file, l.error));
        return std::nullopt;
    }
    for (const QString& p : l.presentation->problems) {
        std::fprintf(stderr, "brindle-player: warning: %s\n", qPrintable(p));
    }
    return std::move(l.presentation);
}

int runRegister(const QString& self) {
    // Run as root (a system set-up), the machine's folders are registered too.
    const RegistrationResult r = registerPlayer(self, geteuid() == 0);
    for (const QString& line : r.done) {
        std::printf("brindle-player --register: %s\n", qPrintable(line));
    }
    for (const QString& line : r.failed) {
        std::fprintf(stderr, "brindle-player --register: %s\n", qPrintable(line));
    }
    return r.ok ? 0 : 1;
}

int runFrame(const Options& o) {
    const std::optional<Presentation> p = load(o.file);
    if (!p) {
        return 1;
    }
    Renderer renderer(*p);
    const QImage image = renderer.render(o.frameMs, o.size.isEmpty() ? p->size : o.size);
    if (!image.save(o.out, "PNG")) {
        return fail(o.out + " cannot be written");
    }
    return 0;
}

int runExport(const Options& o) {
    const std::optional<Presentation> p = load(o.file);
    if (!p) {
        return 1;
    }
    ExportOptions options;
    options.size = o.size;
    options.framesPerSecond = o.fps;
    options.progress = [](std::int64_t done, std::int64_t total) {
        const int pct = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        std::fprintf(stderr, "\rExporting: %3d%%  %s / %s", pct, qPrintable(formatTime(done)),
                     qPrintable(formatTime(total)));
        std::fflush(stderr);
    };
    const ExportResult r = exportPresentation(*p, o.out, options);
    std::fprintf(stderr, "\n");
    if (!r.ok) {
        return fail(QStringLiteral("export failed: %1").arg(r.error));
    }
    std::printf("Exported %lld frames (%s, AAC) to %s; rendering %.1f frames per second\n",
                static_cast<long long>(r.frames), qPrintable(r.videoCodec), qPrintable(o.out),
                r.renderSeconds > 0 ? r.frames / r.renderSeconds : 0.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    const Options o = parse(args);
    if (!o.error.isEmpty()) {
        std::fprintf(stderr, "brindle-player: %s\n%s", qPrintable(o.error), kUsage);
        return 2;
    }
    if (o.mode == "help") {
        std::printf("%s", kUsage);
        return 0;
    }
    if (o.mode == "register") {
        QCoreApplication app(argc, argv);
        return runRegister(QCoreApplication::applicationFilePath());
    }
    if ((o.mode == "export" || o.mode == "frame") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        // Drawing needs no screen.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    brindle::setPictureMemoryLimit();
    brindle::temporaries::cleanStale();
    if (o.mode == "frame") {
        return runFrame(o);
    }
    if (o.mode == "export") {
        return runExport(o);
    }
    PlayerWindow window;
    if (!o.file.isEmpty()) {
        window.openFile(o.file);
    }
    window.show();
    if (!o.file.isEmpty() && window.message().isEmpty()) {
        window.play();
    }
    return app.exec();
}
