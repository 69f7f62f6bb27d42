// What the sound tests share: whether a PulseAudio server answers, a wait
// that runs the event loop, and a private server a test may kill.
#pragma once

#include "tests/controls/audiocap/wav_bytes.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

#include <sys/types.h>
#include <csignal>

namespace brindle::test {

inline bool serverRunning() {
    QProcess p;
    p.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Runs the event loop until cond holds or timeoutMs pass.
inline bool waitFor(const std::function<bool()>& cond, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

inline void settle(int ms) {
    waitFor([] { return false; }, ms);
}

// A private server of the test's own, so killing it harms no other test.
class PrivateServer {
public:
    bool start() {
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (exe.isEmpty() || !m_dir.isValid()) {
            return false;
        }
        QDir(m_dir.path()).mkpath(QStringLiteral("pulse"));
        QDir(m_dir.path()).mkpath(QStringLiteral("home"));
        QFile::setPermissions(
            m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        env.insert(QStringLiteral("HOME"), m_dir.path() + QStringLiteral("/home"));
        env.remove(QStringLiteral("PULSE_SERVER"));
        m_process.setProcessEnvironment(env);
        m_socket = m_dir.path() + QStringLiteral("/pulse/native");
        m_process.start(
            exe, {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                  QStringLiteral("-n"), QStringLiteral("-F"), QStringLiteral("/dev/null"),
                  QStringLiteral("--disable-shm=yes"), QStringLiteral("--use-pid-file=no"),
                  QStringLiteral("--load=module-null-sink sink_name=doomed"),
                  QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") +
                      m_socket});
        if (!m_process.waitForStarted(5000)) {
            return false;
        }
        // The socket shows before the server takes clients; a busy machine
        // may take seconds more, so wait until it answers.
        const QString pactl = QStandardPaths::findExecutable(QStringLiteral("pactl"));
        return waitFor(
            [&] {
                if (!QFile::exists(m_socket)) {
                    return false;
                }
                if (pactl.isEmpty()) {
                    return true;
                }
                QProcess info;
                info.start(pactl,
                           {QStringLiteral("--server=") + address(), QStringLiteral("info")});
                return info.waitForFinished(5000) && info.exitStatus() == QProcess::NormalExit &&
                       info.exitCode() == 0;
            },
            15000);
    }
    QString address() const { return QStringLiteral("unix:") + m_socket; }
    // Freezes and thaws the server: it keeps its socket but answers nothing.
    void freeze() { ::kill(static_cast<pid_t>(m_process.processId()), SIGSTOP); }
    void thaw() { ::kill(static_cast<pid_t>(m_process.processId()), SIGCONT); }
    void kill() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    ~PrivateServer() { kill(); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_socket;
};

}  // namespace brindle::test
