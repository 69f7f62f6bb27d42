// brindle-cli record OUT.wav|OUT.avi --seconds N [--format 0|1|3]: records
// N seconds from the default source through the audio capture control and
// saves them, printing the recorded time as it grows.
#include "app/cli/clip_control.h"
#include "app/cli/sound_control.h"
#include "app/cli/subcommand.h"
#include "controls/audiocap/sonteval_ids.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace brindle::cli {

int runRecord(const QStringList& args) {
    QString out;
    int seconds = -1;
    int format = 1;
    for (int i = 0; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size()) {
            seconds = args[++i].toInt(&ok);
        } else if (args[i] == QLatin1String("--format") && i + 1 < args.size()) {
            format = args[++i].toInt(&ok);
            ok = ok && (format == 0 || format == 1 || format == 3);
        } else if (out.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            out = args[i];
        } else {
            ok = false;
        }
        if (!ok) {
            return usageError();
        }
    }
    if (out.isEmpty() || seconds < 1 || seconds > 3600) {
        complain(QStringLiteral("record needs OUT and --seconds from 1 to 3600"));
        return usageError();
    }
    SoundControl sound;
    if (!sound.ok()) {
        return kExitFailed;
    }
    using namespace sonteval;
    dispatch::ControlHost& s = sound.host();
    const int limitMs = seconds * 1000;
    s.put(DispCaptureFormat, format == 0 ? 0 : 1);
    s.put(DispSaveFormat, format);
    s.call(DispSetFileSizeUpperLimit, {0, limitMs});

    QEventLoop loop;
    bool failed = false;
    s.onEvent(EventRecordProgress, [](const QVariantList& a) {
        std::printf("RecordProgress %d\n", a.value(2).toInt());
        std::fflush(stdout);
    });
    s.onEvent(EventRecordError, [&](const QVariantList& a) {
        complain(
            QStringLiteral("the recording stopped early (error 0x%1); keeping what was recorded")
                .arg(static_cast<quint32>(a.value(0).toInt()), 8, 16, QLatin1Char('0')));
        failed = true;
    });
    s.onEvent(EventRecordStop, [&](const QVariantList&) { loop.quit(); });
    if (!SoundControl::report(s.call(DispRecord), QStringLiteral("cannot record"))) {
        return kExitFailed;
    }
    // A device that never delivers must not hang a script.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [&] {
        complain(QStringLiteral("the sound device delivered nothing in time"));
        failed = true;
        s.call(DispStop);
    });
    guard.start(limitMs + 10000);
    loop.exec();

    // The recording stops at the first buffer past the limit: keep N seconds.
    const int length = s.get(DispLength).value.toInt();
    dispatch::DispResult saved;
    if (length > limitMs) {
        s.call(DispSetSelection, {0, limitMs});
        saved = s.call(DispSaveSelection, {out});
    } else {
        saved = s.call(DispSave, {out});
    }
    if (!SoundControl::report(saved, QStringLiteral("cannot save %1").arg(out))) {
        return kExitFailed;
    }
    std::printf("Saved %s %d\n", out.toLocal8Bit().constData(), std::min(length, limitMs));
    return failed ? kExitFailed : kExitOk;
}

}  // namespace brindle::cli
