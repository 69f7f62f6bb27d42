// One running copy of the program: the first copy holds a lock file and
// listens on a local socket; a later copy finds the lock taken and asks the
// first, through the socket, to bring its window forward.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

namespace brindle {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // name tells programs apart ("brindle"); the lock and the socket live in
    // folder, by default $XDG_RUNTIME_DIR (or the system's temporary folder)
    // with the user id in the names.
    explicit SingleInstance(const QString& name, const QString& folder = {},
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when no other copy runs: the lock is taken (a lock left by a copy
    // that died is taken over) and activation requests are listened for.
    bool tryAcquire();
    bool isPrimary() const { return m_primary; }

    // From a later copy: asks the running copy to come forward. True when
    // the request was delivered.
    bool notifyRunning(int timeoutMs = 3000);

    QString lockPath() const;
    QString socketPath() const;

signals:
    // The running copy was asked to come forward.
    void activated();

private:
    void readRequest();

    QString m_name, m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    bool m_primary = false;
};

}  // namespace brindle
