#include "player/realtext_view.h"

#include "player/presentation.h"

#include <QFontMetricsF>

#include <algorithm>
#include <limits>

namespace brindle {
namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
constexpr double kMargin = 1.0;

QFont fontOf(const RealTextStyle& s) {
    QFont f(s.face.isEmpty() ? QStringLiteral("Arial") : s.face);
    f.setPixelSize(realTextPixelSize(s.size));
    f.setBold(s.bold);
    f.setItalic(s.italic);
    f.setUnderline(s.underline);
    return f;
}

}  // namespace

RealTextView::RealTextView(std::shared_ptr<const RealTextDocument> doc, QSize window)
    : m_doc(std::move(doc)) {
    m_size = QSize(m_doc->width.value_or(window.width()), m_doc->height.value_or(window.height()));
    if (m_size.isEmpty()) {
        m_size = QSize(320, 180);
    }
    m_background = parseColor(m_doc->bgcolor);
    m_color = parseColor(m_doc->color);
    if (!m_color.isValid()) {
        m_color = Qt::black;
    }
    layout();
}

void RealTextView::layout() {
    // Words flow left to right and wrap at the window's width; a clear
    // starts again at the top. Each line's fragments are placed when the
    // line is complete, so a centred line can be centred.
    struct Pending {
        Fragment fragment;
        double width;
        bool centered;
    };
    std::vector<Pending> line;
    double lineWidth = 0;
    double lineAscent = 0;
    double lineDescent = 0;
    double y = kMargin;
    const double maxWidth = std::max(1.0, m_size.width() - 2 * kMargin);
    std::size_t pageStart = 0;  // first fragment since the last clear
    double lastLineHeight = realTextPixelSize(3) * 1.2;

    auto finishLine = [&](bool hard) {
        if (line.empty() && !hard) {
            return;
        }
        if (line.empty()) {
            y += lastLineHeight;
            return;
        }
        while (!line.empty() && line.back().fragment.text.trimmed().isEmpty() && line.size() > 1) {
            lineWidth -= line.back().width;
            line.pop_back();
        }
        double x = kMargin;
        if (line.front().centered) {
            x = kMargin + std::max(0.0, (maxWidth - lineWidth) / 2);
        }
        const double baseline = y + lineAscent;
        for (Pending& p : line) {
            p.fragment.baseline = QPointF(x, baseline);
            x += p.width;
            m_fragments.push_back(std::move(p.fragment));
        }
        lastLineHeight = lineAscent + lineDescent;
        y += lastLineHeight;
        line.clear();
        lineWidth = lineAscent = lineDescent = 0;
    };

    auto addWord = [&](const QString& word, const RealTextItem& item, const QFont& font,
                       const QColor& color) {
        const QFontMetricsF fm(font);
        double w = fm.horizontalAdvance(word);
        const bool blank = word.trimmed().isEmpty();
        if (blank && line.empty()) {
            return;  // no blank at the start of a line
        }
        if (!blank && !line.empty() && lineWidth + w > maxWidth) {
            finishLine(false);
        }
        Fragment f;
        f.text = word;
        f.font = font;
        f.color = color;
        f.beginMs = item.beginMs;
        f.endMs = item.endMs.value_or(kNever);
        f.clearedMs = kNever;
        line.push_back({std::move(f), w, item.centered});
        lineWidth += w;
        lineAscent = std::max(lineAscent, fm.ascent());
        lineDescent = std::max(lineDescent, fm.descent() + fm.leading());
    };

    for (const RealTextItem& item : m_doc->items) {
        switch (item.kind) {
            case RealTextItem::Kind::Break:
                finishLine(item.hard);
                break;
            case RealTextItem::Kind::Clear:
                finishLine(false);
                for (std::size_t i = pageStart; i < m_fragments.size(); ++i) {
                    m_fragments[i].clearedMs = std::min(m_fragments[i].clearedMs, item.beginMs);
                }
                pageStart = m_fragments.size();
                y = kMargin;
                break;
            case RealTextItem::Kind::Text: {
                const QFont font = fontOf(item.style);
                QColor color = parseColor(item.style.color);
                if (!color.isValid()) {
                    color = m_color;
                }
                // Split into words, each keeping the blank that follows it.
                qsizetype start = 0;
                const QString& t = item.text;
                for (qsizetype i = 0; i <= t.size(); ++i) {
                    if (i == t.size() || t[i] == ' ') {
                        const qsizetype end = i < t.size() ? i + 1 : i;
                        if (end > start) {
                            addWord(t.mid(start, end - start), item, font, color);
                        }
                        start = end;
                    }
                }
                break;
            }
        }
    }
    finishLine(false);
}

void RealTextView::paint(QPainter& p, std::int64_t ms) const {
    const QRectF window(QPointF(0, 0), QSizeF(m_size));
    p.save();
    p.setClipRect(window, Qt::IntersectClip);
    if (m_background.isValid()) {
        p.fillRect(window, m_background);
    }
    const double scroll = m_doc->scrolls() ? m_doc->scrollRate * (ms / 1000.0) : 0.0;
    for (const Fragment& f : m_fragments) {
        if (ms < f.beginMs || ms >= f.endMs || ms >= f.clearedMs) {
            continue;
        }
        const QPointF at(f.baseline.x(), f.baseline.y() - scroll);
        if (at.y() < -64 || at.y() > m_size.height() + 64) {
            continue;
        }
        p.setFont(f.font);
        p.setPen(f.color);
        p.drawText(at, f.text);
    }
    p.restore();
}

}  // namespace brindle
