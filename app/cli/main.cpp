// brindle-cli: the command-line companion of Brindle, for scripts and
// support people. It runs the program's own code without its windows;
// messages go to standard error.
#include "app/cli/cli_view.h"
#include "app/cli/subcommand.h"
#include "app/present/video_check.h"
#include "platform/messages.h"
#include "platform/picture_limits.h"
#include "platform/temporaries.h"

#include <QApplication>

#include <cstring>

int main(int argc, char* argv[]) {
    // The controls are widgets, so a GUI application is needed, but none is
    // ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    using namespace brindle;
    setPictureMemoryLimit();
    // What a killed run of any Brindle program left behind.
    temporaries::cleanStale();
    gAppTitle = LoadResString(str::AppTitle);
    StderrMessageSink messages;
    setMessageSink(&messages);
    cli::CliView view;
    setProjectView(&view);
    installVideoChecks();

    const QStringList args = QApplication::arguments().mid(1);
    if (args.isEmpty()) {
        return cli::usageError();
    }
    for (const cli::Subcommand& c : cli::subcommands()) {
        if (args[0] == QLatin1String(c.name)) {
            return c.run(args.mid(1));
        }
    }
    return cli::usageError();
}
