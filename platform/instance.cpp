#include "platform/instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

namespace brindle {
namespace {

const QByteArray kActivate = "activate\n";

QString defaultFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

}  // namespace

SingleInstance::SingleInstance(const QString& name, const QString& folder, QObject* parent)
    : QObject(parent), m_name(name), m_folder(folder.isEmpty() ? defaultFolder() : folder) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockPath() const {
    return m_folder + '/' + m_name + '-' + QString::number(::getuid()) + ".lock";
}

QString SingleInstance::socketPath() const {
    return m_folder + '/' + m_name + '-' + QString::number(::getuid()) + ".socket";
}

bool SingleInstance::tryAcquire() {
    if (m_primary) {
        return true;
    }
    QDir().mkpath(m_folder);
    m_lock = std::make_unique<QLockFile>(lockPath());
    // Only a lock whose process is gone is stale: a copy that has run for a
    // long time still holds its lock.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    m_primary = true;
    // A socket left by a copy that died would refuse the new listener.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::readRequest);
    m_server->listen(socketPath());
    return true;
}

void SingleInstance::readRequest() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket] {
            if (socket->canReadLine() && socket->readLine() == kActivate) {
                socket->disconnectFromServer();
                emit activated();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        handle();
    }
}

bool SingleInstance::notifyRunning(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(kActivate);
    const bool written = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return written;
}

}  // namespace brindle
