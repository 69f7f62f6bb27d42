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
#include <memory>

int main(int argc, char* argv[]) {
    using namespace brindle;
    QStringList commandLine;
    for (int i = 1; i < argc; ++i) {
        commandLine << QString::fromLocal8Bit(argv[i]);
    }
    // The controls are widgets, so a GUI application is needed, but none is
    // ever shown. Listing a project's table uses none: a plain application
    // object starts faster, loading no window system plug-in.
    const bool widgets = !cli::isTableListing(commandLine);
    if (widgets && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const std::unique_ptr<QCoreApplication> app =
        widgets ? std::make_unique<QApplication>(argc, argv)
                : std::make_unique<QCoreApplication>(argc, argv);
    setPictureMemoryLimit();
    // What a killed run of any Brindle program left behind.
    temporaries::cleanStale();
    gAppTitle = LoadResString(str::AppTitle);
    StderrMessageSink messages;
    setMessageSink(&messages);
    cli::CliView view;
    setProjectView(&view);
    if (widgets) {
        installVideoChecks();
    }

    const QStringList args = QCoreApplication::arguments().mid(1);
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
