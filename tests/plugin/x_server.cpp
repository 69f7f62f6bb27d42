#include "tests/plugin/x_server.h"

#include <X11/Xlib.h>
#include <sys/prctl.h>

#include <csignal>

namespace brindle::test {

namespace {

bool answers(const QByteArray& name) {
    Display* d = XOpenDisplay(name.constData());
    if (!d) {
        return false;
    }
    XCloseDisplay(d);
    return true;
}

}  // namespace

XServer::XServer() {
    const QByteArray given = qgetenv("DISPLAY");
    if (!given.isEmpty() && answers(given)) {
        m_name = QString::fromLocal8Bit(given);
        return;
    }
    // Xvfb picks a free display number and writes it to its standard output.
    // Without -noreset it would restart whenever its last client leaves and
    // refuse connections meanwhile.
    m_xvfb = std::make_unique<QProcess>();
    // A test that crashes takes its server with it.
    m_xvfb->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_xvfb->start(
        "Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0", "800x600x24"});
    if (!m_xvfb->waitForStarted(10000)) {
        return;
    }
    QByteArray number;
    while (!number.contains('\n') && m_xvfb->waitForReadyRead(20000)) {
        number += m_xvfb->readAllStandardOutput();
    }
    number = number.trimmed();
    if (!number.isEmpty() && answers(":" + number)) {
        m_name = ":" + QString::fromLatin1(number);
    }
}

XServer::~XServer() {
    if (m_xvfb) {
        m_xvfb->terminate();
        if (!m_xvfb->waitForFinished(5000)) {
            m_xvfb->kill();
            m_xvfb->waitForFinished();
        }
    }
}

}  // namespace brindle::test
