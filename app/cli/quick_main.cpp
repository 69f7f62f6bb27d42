// brindle-cli: the command a user and scripts run. It answers the two
// commands that need only Qt Core itself ("version" and "info FILE.bqx
// --table") and hands every other command line, unchanged and in the same
// process, to brindle-cli-full beside it, which links the widgets, the
// controls and FFmpeg. Loading those 160-odd libraries is most of what a
// short command costs, so a script listing tables does not pay for them.
#include "app/cli/cli_workspace.h"
#include "app/cli/project_info.h"
#include "app/cli/subcommand.h"
#include "app/model/project_file.h"
#include "platform/messages.h"
#include "platform/temporaries.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The full program's path: beside this one's own file.
std::string fullProgram() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        return "brindle-cli-full";
    }
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/') + 1) + "brindle-cli-full";
}

int listTable(int argc, char* argv[]) {
    using namespace brindle;
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
            const QString path = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
            status = cli::printProjectInfo(workspace, path, true);
        }
    }
    setMessageSink(nullptr);
    return status;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && std::strcmp(argv[1], "version") == 0) {
        std::printf("brindle-cli %s\n", BRINDLE_VERSION);
        return brindle::cli::kExitOk;
    }
    if (argc == 4 && std::strcmp(argv[1], "info") == 0 && std::strcmp(argv[3], "--table") == 0) {
        return listTable(argc, argv);
    }
    const std::string full = fullProgram();
    execv(full.c_str(), argv);
    std::fprintf(stderr, "brindle-cli: cannot start %s: %s\n", full.c_str(), std::strerror(errno));
    return brindle::cli::kExitFailed;
}
