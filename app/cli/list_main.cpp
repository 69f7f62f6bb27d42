// brindle-cli-list FILE.bqx: lists a project from its table of contents as
// "brindle-cli info FILE.bqx --table" does, linked against Qt Core and the
// project model alone, so listing tables from a script does not load the
// widgets, the controls and FFmpeg. brindle-cli runs it for that command.
#include "app/cli/cli_workspace.h"
#include "app/cli/project_info.h"
#include "app/cli/subcommand.h"
#include "app/model/project_file.h"
#include "platform/messages.h"
#include "platform/temporaries.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char* argv[]) {
    using namespace brindle;
    if (argc != 2) {
        std::fprintf(stderr, "usage: brindle-cli-list FILE.bqx\n");
        return cli::kExitUsage;
    }
    QCoreApplication app(argc, argv);
    // What a killed run of any Brindle program left behind.
    temporaries::cleanStale();
    gAppTitle = LoadResString(str::AppTitle);
    StderrMessageSink messages;
    setMessageSink(&messages);
    int status = cli::kExitFailed;
    {
        cli::CliWorkspace workspace;
        if (workspace.ok()) {
            const QString path = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
            status = cli::printProjectInfo(workspace, path, true);
        }
    }
    setMessageSink(nullptr);
    return status;
}
