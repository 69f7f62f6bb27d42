// A private work folder of brindle-cli: made under a journaled name, so that
// a run that is killed leaves nothing behind past the next start, and
// removed with its contents at the end of the run.
#pragma once

#include "platform/temporaries.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <string>

namespace brindle::cli {

class ScratchFolder {
public:
    // pattern ends in six X, which become random letters and digits.
    explicit ScratchFolder(const QString& pattern) {
        std::string path = QFile::encodeName(pattern).toStdString();
        if (temporaries::makeFolder(path)) {
            m_path = QFile::decodeName(path.c_str());
        }
    }
    ~ScratchFolder() {
        if (!m_path.isEmpty()) {
            QDir(m_path).removeRecursively();
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool isValid() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }
    QString filePath(const QString& name) const { return m_path + QLatin1Char('/') + name; }

private:
    QString m_path;
};

}  // namespace brindle::cli
