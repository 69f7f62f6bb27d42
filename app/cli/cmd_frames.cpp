// brindle-cli frames CLIP.avi: the clip's frame properties.
#include "app/cli/clip_control.h"
#include "app/cli/subcommand.h"
#include "controls/clipedit/klipvane_ids.h"

#include <cstdio>

namespace brindle::cli {

int runFrames(const QStringList& args) {
    if (args.size() != 1) {
        return usageError();
    }
    ClipControl clip;
    if (!clip.ok() || !clip.open(args[0])) {
        return kExitFailed;
    }
    dispatch::ControlHost& k = clip.host();
    std::printf("TotalFrames %d\nFirstFrame %d\nLastFrame %d\n",
                k.get(klipvane::DispTotalFrames).value.toInt(),
                k.get(klipvane::DispFirstFrame).value.toInt(),
                k.get(klipvane::DispLastFrame).value.toInt());
    return kExitOk;
}

}  // namespace brindle::cli
