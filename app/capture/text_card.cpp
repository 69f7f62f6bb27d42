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
    font.setPixelSize(28);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(fore);
    const QRect box(kMargin, kMargin, kCardWidth - 2 * kMargin, kCardHeight - 2 * kMargin);
    const QString shown = QFontMetrics(font).elidedText(firstLine, Qt::ElideRight, box.width());
    painter.drawText(box, (centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter, shown);
    return card;
}

}  // namespace brindle
