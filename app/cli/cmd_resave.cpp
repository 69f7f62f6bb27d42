// brindle-cli resave FILE.bqx OUT.bqx: opens a project file as the editor
// does and saves it again under the new name. A file that does not open is
// not saved.
#include "app/cli/cli_project.h"
#include "app/cli/subcommand.h"
#include "app/model/project_file.h"

#include <QFileInfo>

namespace brindle::cli {

int runResave(const QStringList& args) {
    if (args.size() != 2) {
        return usageError();
    }
    CliProject project;
    if (!project.ok()) {
        return kExitFailed;
    }
    if (!project.open(QFileInfo(args[0]).absoluteFilePath())) {
        return kExitFailed;
    }
    gProjectFile = QFileInfo(args[1]).absoluteFilePath();
    gProjectName = projectNameOf(gProjectFile);
    return riteProject(false) == 0 ? kExitOk : kExitFailed;
}

}  // namespace brindle::cli
