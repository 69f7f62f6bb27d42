// A numbered string table read from a text file: lines `N "text"` or
// `N Name "text"`, where the text is everything between the first and the
// last double quote, verbatim, and Name is the entry's name in the code.
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
            // Before the text: the number, then optionally the entry's name.
            const QStringList head =
                open > 0 ? line.left(open).split(' ', Qt::SkipEmptyParts) : QStringList();
            bool ok = false;
            const int number = head.isEmpty() ? 0 : head.front().toInt(&ok);
            if (head.size() == 2) {
                ok = ok && isName(head.back());
                if (ok && table.m_names.contains(head.back())) {
                    table.m_errors
                        << QStringLiteral("line %1: name %2 twice").arg(i + 1).arg(head.back());
                } else if (ok) {
                    table.m_names.insert(head.back(), number);
                }
            } else if (head.size() != 1) {
                ok = false;
            }
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
    // The number of the entry with this name; 0 when no entry has it.
    int number(const QString& name) const { return m_names.value(name); }
    qsizetype nameCount() const { return m_names.size(); }

private:
    // A name is a letter followed by letters, digits and underscores.
    static bool isName(const QString& word) {
        if (word.isEmpty() || !word.front().isLetter()) {
            return false;
        }
        for (const QChar c : word) {
            if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != '_') {
                return false;
            }
        }
        return true;
    }

    QHash<int, QString> m_texts;
    QHash<QString, int> m_names;
    QStringList m_errors;
};

}  // namespace brindle
