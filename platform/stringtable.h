// A numbered string table read from a text file: lines `N "text"`, where the
// text is everything between the first and the last double quote, verbatim.
// Lines starting with "#" and blank lines are skipped. Header-only, so the
// embeddable controls can read their own tables without linking the program.
#pragma once

#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>

namespace brindle {

class StringTable {
public:
    StringTable() = default;

    // Parses the table's text; malformed lines are skipped and listed in
    // errors() so a test can insist there are none.
    static StringTable fromText(const QString& text) {
        StringTable table;
        const QStringList lines = text.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QString line = lines[i];
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            const QString trimmed = line.trimmed();
            if (trimmed.isEmpty() || trimmed.startsWith('#')) {
                continue;
            }
            const qsizetype open = line.indexOf('"');
            const qsizetype close = line.lastIndexOf('"');
            bool ok = false;
            const int number = open > 0 ? line.left(open).trimmed().toInt(&ok) : 0;
            if (!ok || close <= open) {
                table.m_errors << QStringLiteral("line %1: %2").arg(i + 1).arg(line);
                continue;
            }
            if (table.m_texts.contains(number)) {
                table.m_errors << QStringLiteral("line %1: number %2 twice").arg(i + 1).arg(number);
            }
            table.m_texts.insert(number, line.mid(open + 1, close - open - 1));
        }
        return table;
    }

    // Reads a table from a file or a Qt resource path (":/...").
    static StringTable fromFile(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            StringTable table;
            table.m_errors << QStringLiteral("cannot read %1").arg(path);
            return table;
        }
        return fromText(QString::fromUtf8(f.readAll()));
    }

    bool contains(int number) const { return m_texts.contains(number); }
    QString text(int number) const { return m_texts.value(number); }
    qsizetype size() const { return m_texts.size(); }
    const QStringList& errors() const { return m_errors; }
    QList<int> numbers() const { return m_texts.keys(); }

private:
    QHash<int, QString> m_texts;
    QStringList m_errors;
};

}  // namespace brindle
