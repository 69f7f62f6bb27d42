// A text file of the presentation written line by line: every line ends in
// CR LF, the text is UTF-8 (this system's code page), the file is created or
// truncated when opened.
#pragma once

#include <QFile>
#include <QString>

namespace brindle {

class TextLineFile {
public:
    TextLineFile() = default;
    TextLineFile(const TextLineFile&) = delete;
    TextLineFile& operator=(const TextLineFile&) = delete;

    bool open(const QString& path);
    bool isOpen() const { return m_file.isOpen(); }

    // Writes the text and CR LF. Writing to a file that is not open, or a
    // failed write, is remembered and reported by close().
    void writeLine(const QString& line);

    // True when the file was open and every line reached the disk.
    bool close();

    QString path() const { return m_file.fileName(); }

private:
    QFile m_file;
    bool m_ok = false;
};

}  // namespace brindle
