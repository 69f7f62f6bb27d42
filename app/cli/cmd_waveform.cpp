// brindle-cli waveform IN OUT.png [--width W --height H]: draws the first
// seconds of a sound with the audio capture control's own display.
#include "app/cli/clip_control.h"
#include "app/cli/sound_control.h"
#include "app/cli/subcommand.h"
#include "controls/audiocap/sonteval_ids.h"

#include <QPixmap>

namespace brindle::cli {

int runWaveform(const QStringList& args) {
    QStringList paths;
    int width = 400;
    int height = 100;
    for (int i = 0; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == QLatin1String("--width") && i + 1 < args.size()) {
            width = args[++i].toInt(&ok);
        } else if (args[i] == QLatin1String("--height") && i + 1 < args.size()) {
            height = args[++i].toInt(&ok);
        } else if (!args[i].startsWith(QLatin1String("--"))) {
            paths << args[i];
        } else {
            ok = false;
        }
        if (!ok) {
            return usageError();
        }
    }
    if (paths.size() != 2 || width < 1 || height < 1 || width > 8192 || height > 8192) {
        return usageError();
    }
    SoundControl sound;
    if (!sound.ok()) {
        return kExitFailed;
    }
    dispatch::ControlHost& s = sound.host();
    if (!SoundControl::report(s.call(sonteval::DispOpenFile, {paths[0]}),
                              QStringLiteral("%1 is not a sound").arg(paths[0]))) {
        return kExitFailed;
    }
    QWidget* view = s.widget();
    view->resize(width, height);
    const QPixmap picture = view->grab();
    if (!picture.save(paths[1], "PNG")) {
        complain(QStringLiteral("cannot write %1").arg(paths[1]));
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace brindle::cli
