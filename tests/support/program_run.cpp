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

ProgramRun makeSampleProject(const QString& path) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
    p.setProcessEnvironment(env);
    p.start(programPath("brindle-cli"), {"sample", path});
    return finishProgram(p, 120000);
}

}  // namespace brindle::test
