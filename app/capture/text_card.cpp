#include "app/capture/text_card.h"

#include "app/model/toc_format.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

namespace brindle {
namespace {

constexpr int kCardWidth = 320;
constexpr int kCardHeight = 240;
// The player's text layout: a one-pixel margin, and an empty line before
// any text as tall as a line of the default size 3.
constexpr double kMargin = 1.0;
constexpr int kDefaultMarkupSize = 3;

QString attribute(const QString& markup, const QString& tag, const QString& name) {
    const QRegularExpression re("<" + tag + "\\b[^>]*\\b" + name + "=\"([^\"]*)\"",
                                QRegularExpression::CaseInsensitiveOption);
    return re.match(markup).captured(1).trimmed();
}

QColor colorOr(const QString& name, Qt::GlobalColor fallback) {
    const QColor c = QColor::fromString(name);
    return c.isValid() ? c : QColor(fallback);
}

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? decodeTocText(f.readAll()) : QString();
}

// A markup font size: 1..7, or relative to 3 with a sign.
int markupSize(const QString& text) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok) {
        return kDefaultMarkupSize;
    }
    if (text.startsWith('+') || text.startsWith('-')) {
        return std::clamp(kDefaultMarkupSize + v, 1, 7);
    }
    return std::clamp(v, 1, 7);
}

}  // namespace

int textCardPixelSize(int size) {
    static constexpr int kPixels[] = {10, 13, 16, 20, 24, 32, 44};
    return kPixels[std::clamp(size, 1, 7) - 1];
}

QImage drawTextCard(const QString& textFile) {
    QStringList lines = readText(textFile).split(QRegularExpression("\r\n|\r|\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty()) {
        lines.removeLast();
    }
    const QFileInfo info(textFile);
    const QString markup = readText(info.path() + '/' + info.completeBaseName() + ".rt");
    const QColor back = colorOr(attribute(markup, "window", "bgcolor"), Qt::blue);
    const QColor fore = colorOr(attribute(markup, "font", "color"), Qt::yellow);
    const bool centred = markup.contains("<center>", Qt::CaseInsensitive);
    QString face = attribute(markup, "font", "face");
    if (face.isEmpty()) {
        face = QStringLiteral("Arial");
    }

    QImage card(kCardWidth, kCardHeight, QImage::Format_RGB32);
    card.fill(back);
    QPainter painter(&card);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(face);
    font.setPixelSize(textCardPixelSize(markupSize(attribute(markup, "font", "size"))));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(fore);

    const QFontMetricsF fm(font);
    const double lineHeight = fm.ascent() + fm.descent() + fm.leading();
    const double width = kCardWidth - 2 * kMargin;
    double emptyHeight = textCardPixelSize(kDefaultMarkupSize) * 1.2;
    // Left-aligned lines each follow a line break, so an empty line comes
    // first; centred lines start at the top.
    double y = kMargin + (centred ? 0.0 : emptyHeight);
    for (const QString& raw : lines) {
        if (y >= kCardHeight) {
            break;
        }
        const QString line = raw.simplified();
        if (line.isEmpty()) {
            y += emptyHeight;
            continue;
        }
        double x = kMargin;
        if (centred) {
            x += std::max(0.0, (width - fm.horizontalAdvance(line + ' ')) / 2);
        }
        painter.drawText(QPointF(x, y + fm.ascent()), line);
        y += lineHeight;
        emptyHeight = lineHeight;
    }
    return card;
}

}  // namespace brindle
