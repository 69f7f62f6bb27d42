#include "tests/support/program_run.h"

#include <QCoreApplication>

namespace brindle::test {

QString programPath(const QString& program) {
    return QCoreApplication::applicationDirPath() + "/" + program;
}

ProgramRun finishProgram(QProcess& process, int timeoutMs) {
    ProgramRun r;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return r;
    }
    r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.outBytes = process.readAllStandardOutput();
    r.out = QString::fromLocal8Bit(r.outBytes);
    r.err = QString::fromLocal8Bit(process.readAllStandardError());
    return r;
}

ProgramRun runProgram(const QString& program, const QStringList& args, int timeoutMs) {
    QProcess p;
    p.start(programPath(program), args);
    return finishProgram(p, timeoutMs);
}

}  // namespace brindle::test
