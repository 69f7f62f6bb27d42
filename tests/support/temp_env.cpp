#include "tests/support/temp_env.h"

#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace brindle::test {

TempEnv::TempEnv()
    : m_oldHome(qgetenv("HOME")),
      m_oldConfig(qgetenv("XDG_CONFIG_HOME")),
      m_oldConfigDirs(qgetenv("XDG_CONFIG_DIRS")),
      m_oldCache(qgetenv("XDG_CACHE_HOME")) {
    QDir(path()).mkpath("home");
    QDir(path()).mkpath("config");
    QDir(path()).mkpath("etc");
    QDir(path()).mkpath("cache");
    qputenv("HOME", file("home").toUtf8());
    qputenv("XDG_CONFIG_HOME", file("config").toUtf8());
    qputenv("XDG_CONFIG_DIRS", file("etc").toUtf8());
    qputenv("XDG_CACHE_HOME", file("cache").toUtf8());
    registry::setStoreFolders(file("config/brindle"), file("etc/brindle"));
}

TempEnv::~TempEnv() {
    registry::setStoreFolders({}, {});
    auto restore = [](const char* name, const QByteArray& value) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    };
    restore("HOME", m_oldHome);
    restore("XDG_CONFIG_HOME", m_oldConfig);
    restore("XDG_CONFIG_DIRS", m_oldConfigDirs);
    restore("XDG_CACHE_HOME", m_oldCache);
}

QString TempEnv::write(const QString& name, const QByteArray& bytes) const {
    const QString p = file(name);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(bytes);
    }
    return p;
}

QByteArray fileContents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace brindle::test
