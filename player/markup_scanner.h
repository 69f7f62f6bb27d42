// A forgiving tag scanner for the presentation's markup streams, which are
// not strict XML: tags and attribute names in any case, values in double,
// single or no quotes, unclosed and stray tags, HTML entities in the text.
#pragma once

#include <QHash>
#include <QString>

namespace brindle::markup {

struct Token {
    enum class Kind { Text, Open, Close, End };
    Kind kind = Kind::End;
    QString name;                   // tag name in lower case
    QHash<QString, QString> attrs;  // names in lower case, values with entities decoded
    bool selfClosing = false;       // "<br/>"
    QString text;                   // Text: entities decoded, white space as written

    QString attr(const QString& key, const QString& fallback = {}) const {
        return attrs.value(key, fallback);
    }
};

class Scanner {
public:
    explicit Scanner(const QString& source) : m_src(source) {}
    // The next token; Kind::End at the end of the input. Comments and
    // processing instructions are skipped.
    Token next();

private:
    Token readTag();
    QString m_src;
    qsizetype m_pos = 0;
};

// Replaces &lt; &gt; &amp; &quot; &apos; &nbsp; and numeric references;
// anything else that starts with "&" is kept as written.
QString decodeEntities(const QString& text);

// Text of a presentation file: UTF-8 (a byte order mark is dropped), or
// Windows-1252 when the bytes are not valid UTF-8, as older files are.
QString decodeFileText(const QByteArray& bytes);

}  // namespace brindle::markup
