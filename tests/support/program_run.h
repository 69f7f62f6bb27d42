// Runs one of the project's programs (brindle-cli, brindle-player) from the
// folder the test runs in and collects what it printed.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace brindle::test {

struct ProgramRun {
    int status = -1;  // exit code; -1 when it crashed or did not end in time
    QString out;
    QByteArray outBytes;
    QString err;
};

// The program's path beside the test program.
QString programPath(const QString& program);
// Waits for a started process and collects its output; a process that does
// not end within timeoutMs is killed.
ProgramRun finishProgram(QProcess& process, int timeoutMs = 300000);
ProgramRun runProgram(const QString& program, const QStringList& args, int timeoutMs = 300000);
// Makes the sample project at `path` with brindle-cli for a test that only
// needs the file. Leak checking is off in that one run: brindle-cli's own
// tests check its leaks, and a fixture must not fail on one.
ProgramRun makeSampleProject(const QString& path);

}  // namespace brindle::test
