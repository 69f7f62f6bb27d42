// brindle-cli export FILE.bqx OUT.mp4 [--size WxH]: the editor's Export
// Video without windows: the presentation pass, then the player's render
// into OUT.mp4, written beside it and renamed once complete. An interrupt
// cancels and leaves no file.
#include "app/cli/clip_control.h"
#include "app/cli/pass_session.h"
#include "app/cli/subcommand.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/present/video_export.h"
#include "platform/files.h"

#include <QRegularExpression>

#include <cstdio>

namespace brindle::cli {

int runExport(const QStringList& args) {
    QStringList paths;
    QSize size;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--size") && i + 1 < args.size()) {
            static const QRegularExpression wxh(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$"));
            const QRegularExpressionMatch m = wxh.match(args[++i]);
            if (!m.hasMatch()) {
                return usageError();
            }
            size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
        } else if (!args[i].startsWith(QLatin1String("--"))) {
            paths << args[i];
        } else {
            return usageError();
        }
    }
    if (paths.size() != 2) {
        return usageError();
    }

    files::makeFolder(GetTempFolder());
    ScratchFolder scratch(GetTempFolder() + "cli-XXXXXX");
    if (!startUp(scratch)) {
        return kExitFailed;
    }
    readProject(paths[0]);  // reports an unreadable file itself
    ExportOutcome outcome;
    {
        InterruptWatch watch;
        outcome = exportVideo({paths[1], size, true});
    }
    if (outcome == ExportOutcome::Cancelled || interrupted()) {
        complain(QStringLiteral("cancelled"));
        return kExitCancelled;
    }
    if (outcome != ExportOutcome::Done) {
        return kExitFailed;
    }
    std::printf("%s\n", paths[1].toLocal8Bit().constData());
    std::fflush(stdout);
    return kExitOk;
}

}  // namespace brindle::cli
