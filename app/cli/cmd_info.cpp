// brindle-cli info FILE.bqx [--table]: opens a project file as the editor
// does (with its checks and messages, but unpacking only what they read) and
// prints the project as JSON. With --table, only the table of contents is
// read (no clip is checked); brindle-cli runs that form in brindle-cli-list,
// which shares the printing (project_info.cpp).
#include "app/cli/cli_project.h"
#include "app/cli/project_info.h"
#include "app/cli/subcommand.h"

#include <QFileInfo>

namespace brindle::cli {

bool isTableListing(const QStringList& args) {
    return args.size() == 3 && args[0] == QLatin1String("info") &&
           args[2] == QLatin1String("--table");
}

int runInfo(const QStringList& args) {
    const bool tableOnly = args.size() == 2 && args[1] == QLatin1String("--table");
    if (args.size() != 1 && !tableOnly) {
        return usageError();
    }
    CliProject project;
    if (!project.ok()) {
        return kExitFailed;
    }
    return printProjectInfo(project, QFileInfo(args[0]).absoluteFilePath(), tableOnly);
}

}  // namespace brindle::cli
