// brindle-cli cut CLIP.avi FIRST LAST: cuts the clip in place through the
// clip edit control, printing its progress and error events.
#include "app/cli/clip_control.h"
#include "app/cli/subcommand.h"
#include "controls/clipedit/klipvane_ids.h"

#include <cstdio>

namespace brindle::cli {

int runCut(const QStringList& args) {
    if (args.size() != 3) {
        return usageError();
    }
    bool firstOk = false;
    bool lastOk = false;
    const int first = args[1].toInt(&firstOk);
    const int last = args[2].toInt(&lastOk);
    if (!firstOk || !lastOk) {
        complain(QStringLiteral("FIRST and LAST must be frame numbers"));
        return usageError();
    }
    ClipControl clip;
    if (!clip.ok() || !clip.open(args[0])) {
        return kExitFailed;
    }
    dispatch::ControlHost& k = clip.host();
    k.onEvent(klipvane::EventSaveProgress, [](const QVariantList& a) {
        std::printf("SaveProgress %d\n", a.value(0).toInt());
        std::fflush(stdout);
    });
    k.onEvent(klipvane::EventErrorInfo, [](const QVariantList& a) {
        std::fprintf(stderr, "ErrorInfo %d %s\n", a.value(0).toInt(),
                     a.value(1).toString().toLocal8Bit().constData());
    });
    k.put(klipvane::DispFirstFrame, first);
    k.put(klipvane::DispLastFrame, last);
    const bool saved = k.call(klipvane::DispSave).value.toBool();
    return saved ? kExitOk : kExitFailed;
}

}  // namespace brindle::cli
