// brindle-cli check CLIP: the editor's video check, answered as "true" or
// "false" (and the exit status 0 or 1).
#include "app/cli/clip_control.h"
#include "app/cli/subcommand.h"
#include "app/present/video_check.h"

#include <cstdio>

namespace brindle::cli {

int runCheck(const QStringList& args) {
    if (args.size() != 1) {
        return usageError();
    }
    ClipControl clip;
    if (!clip.ok()) {
        return kExitFailed;
    }
    const bool good = isGoodVideo(clip.host(), args[0]);
    std::printf("%s\n", good ? "true" : "false");
    return good ? kExitOk : kExitFailed;
}

}  // namespace brindle::cli
