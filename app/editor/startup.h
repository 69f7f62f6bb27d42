// From launch to the editor being ready: the checks that refuse to start,
// the settings and folders, the frame's placement and the project named on
// the command line.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

namespace brindle {

class MainFrame;
class SingleInstance;

// Width below 799 or height below 599 pixels refuses to start.
bool screenIsLargeEnough(QSize screen);

// The player registered its version under the key of message 174; only a
// version beginning "6." is the one the presentation needs.
bool playerIsInstalled();

// The project file named on a command line: a quoted path loses its first
// and last characters; only a name ending in ".bqx" (any case) counts.
// Empty when there is none.
QString projectFromCommandLine(const QString& commandLine);

struct StartupResult {
    StartupResult();
    StartupResult(StartupResult&&) noexcept;
    StartupResult& operator=(StartupResult&&) noexcept;
    ~StartupResult();

    // The claim on the single running copy, held while the program runs.
    std::unique_ptr<SingleInstance> instance;
    std::unique_ptr<MainFrame> frame;  // null when the program must end
    int exitCode = 0;
};

// Runs the start-up steps in their order. `commandLine` is the command line
// after the program name; instanceFolder is where the single-copy lock lives
// (empty: the default of SingleInstance).
StartupResult startBrindle(const QString& commandLine, const QString& instanceFolder = {});

}  // namespace brindle
