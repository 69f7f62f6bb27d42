#include "app/capture/text_card.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>

namespace brindle {
namespace {

constexpr int kCardWidth = 320;
constexpr int kCardHeight = 240;
constexpr int kMargin = 16;

QString attribute(const QString& markup, const QString& tag, const QString& name) {
    const QRegularExpression re("<" + tag + "\\b[^>]*\\b" + name + "=\"([^\"]*)\"",
                                QRegularExpression::CaseInsensitiveOption);
    return re.match(markup).captured(1).trimmed();
}

QColor colorOr(const QString& name, Qt::GlobalColor fallback) {
    const QColor c = QColor::fromString(name);
    return c.isValid() ? c : QColor(fallback);
}

}  // namespace

QImage drawTextCard(const QString& textFile) {
    QString firstLine;
    QFile text(textFile);
    if (text.open(QIODevice::ReadOnly)) {
        firstLine = QString::fromLocal8Bit(text.readLine()).trimmed();
    }
    QString markup;
    const QFileInfo info(textFile);
    QFile rt(info.path() + '/' + info.completeBaseName() + ".rt");
    if (rt.open(QIODevice::ReadOnly)) {
        markup = QString::fromLocal8Bit(rt.readAll());
    }
    const QColor back = colorOr(attribute(markup, "window", "bgcolor"), Qt::blue);
    const QColor fore = colorOr(attribute(markup, "font", "color"), Qt::yellow);
    const bool centred = markup.contains("<center>", Qt::CaseInsensitive);

    QImage card(kCardWidth, kCardHeight, QImage::Format_RGB32);
    card.fill(back);
    QPainter painter(&card);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(attribute(markup, "font", "face"));
    font.setBold(true);
    // The line wrapped onto the card, smaller until it fits.
    const QRect box(kMargin, kMargin, kCardWidth - 2 * kMargin, kCardHeight - 2 * kMargin);
    const int flags =
        (centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextWordWrap;
    for (int pixels = 32; pixels >= 12; pixels -= 2) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).boundingRect(box, flags, firstLine).height() <= box.height()) {
            break;
        }
    }
    painter.setFont(font);
    painter.setPen(fore);
    painter.drawText(box, flags, firstLine);
    return card;
}

}  // namespace brindle
