#include "player/markup_scanner.h"

#include <QStringDecoder>

namespace brindle::markup {
namespace {

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == '-' || c == '_' || c == ':' || c == '.';
}

}  // namespace

QString decodeEntities(const QString& text) {
    if (!text.contains('&')) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != '&') {
            out += c;
            continue;
        }
        const qsizetype semi = text.indexOf(';', i + 1);
        if (semi < 0 || semi - i > 10) {
            out += c;
            continue;
        }
        const QString name = text.mid(i + 1, semi - i - 1);
        QString value;
        if (name.compare("lt", Qt::CaseInsensitive) == 0) {
            value = "<";
        } else if (name.compare("gt", Qt::CaseInsensitive) == 0) {
            value = ">";
        } else if (name.compare("amp", Qt::CaseInsensitive) == 0) {
            value = "&";
        } else if (name.compare("quot", Qt::CaseInsensitive) == 0) {
            value = "\"";
        } else if (name.compare("apos", Qt::CaseInsensitive) == 0) {
            value = "'";
        } else if (name.compare("nbsp", Qt::CaseInsensitive) == 0) {
            value = QChar(0xA0);
        } else if (name.startsWith('#')) {
            bool ok = false;
            const uint code = name.startsWith("#x", Qt::CaseInsensitive)
                                  ? name.mid(2).toUInt(&ok, 16)
                                  : name.mid(1).toUInt(&ok);
            if (ok && code > 0 && code < 0x110000 && (code < 0xD800 || code > 0xDFFF)) {
                value = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
            }
        }
        if (value.isEmpty()) {
            out += c;
            continue;
        }
        out += value;
        i = semi;
    }
    return out;
}

QString decodeFileText(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF")) {
        view = view.sliced(3);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(view);
    if (!utf8.hasError()) {
        return text;
    }
    // Windows-1252: Latin-1 except for the printable characters it puts
    // at 0x80..0x9F (the euro sign, curly quotes, dashes, ...).
    static constexpr char16_t k80to9F[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(b >= 0x80 && b <= 0x9F ? k80to9F[b - 0x80] : char16_t(b));
    }
    return out;
}

Token Scanner::next() {
    while (m_pos < m_src.size()) {
        if (m_src[m_pos] != '<') {
            qsizetype end = m_src.indexOf('<', m_pos);
            if (end < 0) {
                end = m_src.size();
            }
            Token t;
            t.kind = Token::Kind::Text;
            t.text = decodeEntities(m_src.mid(m_pos, end - m_pos));
            m_pos = end;
            return t;
        }
        if (m_src.mid(m_pos, 4) == "<!--") {
            const qsizetype end = m_src.indexOf("-->", m_pos + 4);
            m_pos = end < 0 ? m_src.size() : end + 3;
            continue;
        }
        if (m_pos + 1 < m_src.size() && (m_src[m_pos + 1] == '?' || m_src[m_pos + 1] == '!')) {
            const qsizetype end = m_src.indexOf('>', m_pos);
            m_pos = end < 0 ? m_src.size() : end + 1;
            continue;
        }
        const qsizetype start = m_pos;
        Token t = readTag();
        if (t.kind != Token::Kind::End) {
            return t;
        }
        // Not a tag after all ("a < b"): the "<" is text.
        m_pos = start + 1;
        Token text;
        text.kind = Token::Kind::Text;
        text.text = "<";
        return text;
    }
    return {};
}

Token Scanner::readTag() {
    Token t;
    qsizetype i = m_pos + 1;
    const qsizetype n = m_src.size();
    bool closing = false;
    if (i < n && m_src[i] == '/') {
        closing = true;
        ++i;
    }
    const qsizetype nameStart = i;
    while (i < n && isNameChar(m_src[i])) {
        ++i;
    }
    if (i == nameStart) {
        return {};
    }
    t.name = m_src.mid(nameStart, i - nameStart).toLower();
    t.kind = closing ? Token::Kind::Close : Token::Kind::Open;
    while (i < n) {
        while (i < n && m_src[i].isSpace()) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        if (m_src[i] == '>') {
            ++i;
            break;
        }
        if (m_src[i] == '/') {
            t.selfClosing = true;
            ++i;
            continue;
        }
        if (m_src[i] == '<') {
            break;  // an unclosed tag: the next one starts here
        }
        const qsizetype keyStart = i;
        while (i < n && !m_src[i].isSpace() && m_src[i] != '=' && m_src[i] != '>' &&
               m_src[i] != '/' && m_src[i] != '<') {
            ++i;
        }
        const QString key = m_src.mid(keyStart, i - keyStart).toLower();
        while (i < n && m_src[i].isSpace()) {
            ++i;
        }
        QString value;
        if (i < n && m_src[i] == '=') {
            ++i;
            while (i < n && m_src[i].isSpace()) {
                ++i;
            }
            if (i < n && (m_src[i] == '"' || m_src[i] == '\'')) {
                const QChar quote = m_src[i];
                qsizetype end = m_src.indexOf(quote, i + 1);
                if (end < 0) {
                    end = n;
                }
                value = m_src.mid(i + 1, end - i - 1);
                i = std::min(end + 1, n);
            } else {
                const qsizetype valueStart = i;
                while (i < n && !m_src[i].isSpace() && m_src[i] != '>' && m_src[i] != '<' &&
                       !(m_src[i] == '/' && i + 1 < n && m_src[i + 1] == '>')) {
                    ++i;
                }
                value = m_src.mid(valueStart, i - valueStart);
            }
        }
        if (!key.isEmpty() && !t.attrs.contains(key)) {
            t.attrs.insert(key, decodeEntities(value).trimmed());
        }
        if (key.isEmpty() && i < n) {
            ++i;  // a stray character such as "="
        }
    }
    m_pos = i;
    return t;
}

}  // namespace brindle::markup
