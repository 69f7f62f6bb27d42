#include "player/realtext_reader.h"

#include "player/clock_value.h"
#include "player/markup_scanner.h"

#include <algorithm>

namespace brindle {
namespace {

constexpr std::size_t kMaxItems = 200000;
constexpr int kMaxStyleDepth = 256;
constexpr int kMaxSide = 8192;

int fontSize(const QString& text, int current) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok) {
        return current;
    }
    if (text.startsWith('+') || text.startsWith('-')) {
        return std::clamp(3 + v, 1, 7);
    }
    return std::clamp(v, 1, 7);
}

std::optional<int> side(const QString& text) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v <= 0) {
        return std::nullopt;
    }
    return std::min(v, kMaxSide);
}

class Builder {
public:
    RealTextDocument doc;

    void text(const QString& raw) {
        QString collapsed;
        collapsed.reserve(raw.size());
        bool space = false;
        for (const QChar c : raw) {
            if (c.isSpace() && c != QChar(0xA0)) {
                space = true;
                continue;
            }
            if (space) {
                collapsed += ' ';
                space = false;
            }
            collapsed += c;
        }
        if (space) {
            collapsed += ' ';
        }
        if (collapsed.isEmpty()) {
            return;
        }
        if (collapsed.trimmed().isEmpty()) {
            m_blankSinceCenter = true;
        } else {
            m_textSinceCenter = true;
        }
        add(RealTextItem::Kind::Text, collapsed);
    }

    void lineBreak(bool hard) { add(RealTextItem::Kind::Break, {}, hard); }
    void clear() { add(RealTextItem::Kind::Clear); }

    void center(bool open) {
        lineBreak(false);
        if (open) {
            ++m_center;
            m_textSinceCenter = m_blankSinceCenter = false;
        } else if (m_center > 0) {
            // A centred line holding only a blank still takes a line.
            if (!m_textSinceCenter && m_blankSinceCenter) {
                lineBreak(true);
            }
            --m_center;
        }
    }

    void pushStyle(const RealTextStyle& s) {
        if (m_styles.size() < kMaxStyleDepth) {
            m_styles.push_back(s);
        }
    }
    void popStyle() {
        if (m_styles.size() > 1) {
            m_styles.pop_back();
        }
    }
    RealTextStyle& style() { return m_styles.back(); }

    std::int64_t begin = 0;
    std::optional<std::int64_t> end;

private:
    void add(RealTextItem::Kind kind, const QString& text = {}, bool hard = true) {
        if (doc.items.size() >= kMaxItems) {
            return;
        }
        RealTextItem item;
        item.kind = kind;
        item.text = text;
        item.style = m_styles.back();
        item.centered = m_center > 0;
        item.hard = hard;
        item.beginMs = begin;
        item.endMs = end;
        doc.items.push_back(std::move(item));
    }

    std::vector<RealTextStyle> m_styles{RealTextStyle{}};
    int m_center = 0;
    bool m_textSinceCenter = false;
    bool m_blankSinceCenter = false;
};

}  // namespace

int realTextPixelSize(int size) {
    static constexpr int kPixels[] = {10, 13, 16, 20, 24, 32, 44};
    return kPixels[std::clamp(size, 1, 7) - 1];
}

RealTextReadResult readRealText(const QByteArray& bytes) {
    RealTextReadResult result;
    markup::Scanner scanner(markup::decodeFileText(bytes));
    Builder b;
    bool inWindow = false;
    using Kind = markup::Token::Kind;
    for (markup::Token t = scanner.next(); t.kind != Kind::End; t = scanner.next()) {
        if (!inWindow) {
            if (t.kind == Kind::Open && t.name == "window") {
                inWindow = true;
                RealTextDocument& d = b.doc;
                d.type = t.attr("type", "generic").toLower();
                if (const auto dur = parseStreamTime(t.attr("duration"))) {
                    d.durationMs = *dur;
                }
                d.bgcolor = t.attr("bgcolor", d.bgcolor);
                d.color = t.attr("color", d.color);
                d.width = side(t.attr("width"));
                d.height = side(t.attr("height"));
                const bool news = d.type == "scrollingnews" || d.type == "teleprompter";
                bool ok = false;
                const int rate = t.attr("scrollrate").toInt(&ok);
                d.scrollRate = ok ? std::clamp(rate, 0, 10000) : (news ? 10 : 0);
            }
            continue;
        }
        if (t.kind == Kind::Text) {
            b.text(t.text);
            continue;
        }
        const bool open = t.kind == Kind::Open;
        const QString& n = t.name;
        if (n == "window") {
            if (!open) {
                break;
            }
        } else if (n == "br") {
            if (open) {
                b.lineBreak(true);
            }
        } else if (n == "p") {
            b.lineBreak(false);
            b.lineBreak(true);
        } else if (n == "hr" || n == "li" || n == "ol" || n == "ul" || n == "pre") {
            b.lineBreak(false);
        } else if (n == "center") {
            if (!(open && t.selfClosing)) {
                b.center(open);
            }
        } else if (n == "clear") {
            if (open) {
                b.clear();
            }
        } else if (n == "time") {
            if (open) {
                if (const auto begin = parseStreamTime(t.attr("begin"))) {
                    b.begin = *begin;
                }
                if (t.attrs.contains("end")) {
                    b.end = parseStreamTime(t.attr("end"));
                }
            }
        } else if (n == "b" || n == "i" || n == "u" || n == "s" || n == "font" || n == "a") {
            if (!open) {
                b.popStyle();
                continue;
            }
            if (t.selfClosing) {
                continue;
            }
            RealTextStyle s = b.style();
            if (n == "b") {
                s.bold = true;
            } else if (n == "i") {
                s.italic = true;
            } else if (n == "u") {
                s.underline = true;
            } else if (n == "font") {
                s.color = t.attr("color", s.color);
                s.size = fontSize(t.attr("size"), s.size);
                s.face = t.attr("face", s.face);
            }
            b.pushStyle(s);
        }
    }
    if (!inWindow) {
        result.error = QStringLiteral("this is not a RealText file (no <window>)");
        return result;
    }
    result.document = std::move(b.doc);
    return result;
}

}  // namespace brindle
