// brindle-cli capture OUT.avi --seconds N [--driver N] [--compression CODE]
// [--size WxH] [--rate FPS]: records from a camera through the video capture control,
// loaded by dispatch as the editor loads it. brindle-cli capture --list
// prints the capture drivers, one "number<TAB>description" a line.
#include "app/cli/clip_control.h"
#include "app/cli/subcommand.h"
#include "controls/videocap/orvalis_ids.h"
#include "platform/dispatch/control_host.h"

#include <QFileInfo>
#include <QWidget>

#include <cstdio>

namespace brindle::cli {
namespace {

using dispatch::ControlHost;

struct CaptureOptions {
    QString out;
    int seconds = 0;
    int driver = 0;
    QString compression = QStringLiteral("zq5a");
    int width = 0;
    int height = 0;
    int rate = 15;
};

bool parse(const QStringList& args, CaptureOptions* o) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == "--seconds" && hasValue) {
            o->seconds = args[++i].toInt(&ok);
            ok = ok && o->seconds > 0;
        } else if (a == "--driver" && hasValue) {
            o->driver = args[++i].toInt(&ok);
            ok = ok && o->driver >= 0;
        } else if (a == "--rate" && hasValue) {
            o->rate = args[++i].toInt(&ok);
            ok = ok && o->rate > 0;
        } else if (a == "--compression" && hasValue) {
            o->compression = args[++i];
        } else if (a == "--size" && hasValue) {
            const QStringList wh = args[++i].split('x');
            bool okW = false;
            bool okH = false;
            o->width = wh.value(0).toInt(&okW);
            o->height = wh.value(1).toInt(&okH);
            ok = wh.size() == 2 && okW && okH && o->width > 0 && o->height > 0;
        } else if (!a.startsWith("--") && o->out.isEmpty()) {
            o->out = a;
        } else {
            ok = false;
        }
        if (!ok) {
            complain(QStringLiteral("bad argument: %1").arg(a));
            return false;
        }
    }
    return !o->out.isEmpty() && o->seconds > 0;
}

// Answers true when the last operation worked; otherwise says why.
bool succeeded(ControlHost& c, const QString& what) {
    const int code = c.get(orvalis::DispErrorNum).value.toInt();
    if (code == 0) {
        return true;
    }
    complain(QStringLiteral("%1: %2 (%3)")
                 .arg(what, c.get(orvalis::DispError).value.toString())
                 .arg(code));
    return false;
}

}  // namespace

int runCapture(const QStringList& args) {
    QWidget window;  // the control's parent, never shown
    QString why;
    std::unique_ptr<ControlHost> c = ControlHost::load(orvalis::kControlName, &window, &why);
    if (!c) {
        complain(QStringLiteral("cannot load the video capture control: %1").arg(why));
        return kExitFailed;
    }
    if (args.size() == 1 && args[0] == "--list") {
        c->onEvent(orvalis::EventDriverFound, [](const QVariantList& a) {
            std::printf("%d\t%s\n", a.value(0).toInt(), a.value(1).toString().toUtf8().constData());
        });
        c->call(orvalis::DispEnumDrivers);
        return kExitOk;
    }
    CaptureOptions o;
    if (!parse(args, &o)) {
        return usageError();
    }
    c->put(orvalis::DispDriverNum, o.driver);
    if (!succeeded(*c, QStringLiteral("driver %1").arg(o.driver))) {
        return kExitFailed;
    }
    if (o.width > 0 &&
        (!c->call(orvalis::DispSetVideoResolution, {o.width, o.height}).value.toBool() ||
         !succeeded(*c, QStringLiteral("size %1x%2").arg(o.width).arg(o.height)))) {
        return kExitFailed;
    }
    // Frames travel as I420, the kind of picture cameras and the MPEG-4
    // encoder use, so none is converted to 24-bit and back.
    c->put(orvalis::DispImageFormat, QStringLiteral("I420"));
    if (!succeeded(*c, QStringLiteral("image format I420"))) {
        return kExitFailed;
    }
    c->put(orvalis::DispCompression, o.compression);
    if (!succeeded(*c, QStringLiteral("compression %1").arg(o.compression))) {
        return kExitFailed;
    }
    c->put(orvalis::DispVideoRate, o.rate);
    c->put(orvalis::DispCaptureFile, QFileInfo(o.out).absoluteFilePath());
    c->put(orvalis::DispCaptureLimit, o.seconds);
    c->put(orvalis::DispCaptureUseLimit, true);
    c->put(orvalis::DispYield, false);  // the capture runs to its end here
    c->put(orvalis::DispCapture, true);
    const bool ok = succeeded(*c, QStringLiteral("capture"));
    // The capture's closing status: frames captured and time taken.
    std::fprintf(stderr, "%s\n", c->get(orvalis::DispStatus).value.toString().toUtf8().constData());
    if (!ok) {
        return kExitFailed;
    }
    std::printf("%s\n", QFileInfo(o.out).absoluteFilePath().toUtf8().constData());
    return kExitOk;
}

}  // namespace brindle::cli
