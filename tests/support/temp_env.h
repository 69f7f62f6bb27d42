// A private temporary folder for one test, with the registry stores, the
// XDG folders and the program folders pointed into it, restored afterwards.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace brindle::test {

class TempEnv {
public:
    TempEnv();
    ~TempEnv();
    TempEnv(const TempEnv&) = delete;
    TempEnv& operator=(const TempEnv&) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

    // Writes a file with the given bytes, making its folder; answers its path.
    QString write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome, m_oldConfig, m_oldConfigDirs, m_oldCache;
};

// A file's bytes, or "<missing>" when it cannot be read.
QByteArray fileContents(const QString& path);

}  // namespace brindle::test
