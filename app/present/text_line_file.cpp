#include "app/present/text_line_file.h"

namespace brindle {

bool TextLineFile::open(const QString& path) {
    if (m_file.isOpen()) {
        m_file.close();
    }
    m_file.setFileName(path);
    m_ok = m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    return m_ok;
}

void TextLineFile::writeLine(const QString& line) {
    if (!m_file.isOpen()) {
        m_ok = false;
        return;
    }
    const QByteArray bytes = line.toUtf8() + "\r\n";
    if (m_file.write(bytes) != bytes.size()) {
        m_ok = false;
    }
}

bool TextLineFile::close() {
    if (!m_file.isOpen()) {
        return false;
    }
    const bool flushed = m_file.flush();
    m_file.close();
    const bool ok = m_ok && flushed && m_file.error() == QFileDevice::NoError;
    m_ok = false;
    return ok;
}

}  // namespace brindle
