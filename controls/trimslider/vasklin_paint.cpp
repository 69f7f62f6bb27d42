// Painting of the trim slider. The parts are drawn from outlines rather than
// bitmaps, so they stay sharp at any size and any screen scale.
#include "controls/trimslider/vasklin.h"

#include <qdrawutil.h>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace brindle::vasklin {
namespace {

QPainterPath arrow(const QRect& box, bool forward) {
    // A double triangle, as on a player's step buttons.
    const QPointF c = QRectF(box).center();
    const double h = 5;
    const double w = 5;
    QPainterPath p;
    for (double offset : {-w / 2 - 0.5, w / 2 + 0.5}) {
        const double x = c.x() + offset;
        if (forward) {
            p.moveTo(x - w / 2, c.y() - h);
            p.lineTo(x + w / 2, c.y());
            p.lineTo(x - w / 2, c.y() + h);
        } else {
            p.moveTo(x + w / 2, c.y() - h);
            p.lineTo(x - w / 2, c.y());
            p.lineTo(x + w / 2, c.y() + h);
        }
        p.closeSubpath();
    }
    return p;
}

}  // namespace

void Vasklin::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setClipRegion(event->region());
    const QPalette& pal = palette();
    const Geometry g = geometry();
    const QRect t = g.track();

    p.fillRect(rect(), m_backColor.isValid() ? m_backColor : pal.color(QPalette::Button));

    // The track: the edit range in the highlight colour, the rest in the
    // colour of a scroll bar's trough, all inside a sunken edge.
    if (t.width() > 0) {
        p.fillRect(t, pal.color(QPalette::Midlight));
        const QRect e = g.editRange().intersected(t);
        if (e.width() > 0) {
            p.fillRect(e, isEnabled() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid));
        }
        qDrawShadePanel(&p, t.adjusted(-2, -2, 2, 2), pal, true, 2);
    }

    // Ticks under the track.
    const int n = m_tickCount;
    if (n > 0 && t.width() / n > 0) {
        p.setPen(QPen(pal.color(QPalette::ButtonText), 1));
        const int y0 = t.top() + t.height() + 3;
        for (int i = 0; i <= n; ++i) {
            const int x = g.tickX(i, n);
            p.drawLine(x, y0, x, y0 + 4);
        }
    }

    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) {
        p.setOpacity(0.5);
    }

    // The pointer.
    {
        const QPainterPath shape = g.shape(PartPointer);
        p.setPen(QPen(pal.color(QPalette::Light), 1));
        p.setBrush(pal.color(QPalette::ButtonText));
        p.drawPath(shape);
    }

    paintButton(p, PartBack, g);
    paintButton(p, PartForward, g);
    if (m_state.showTrim) {
        paintMark(p, PartStartMark, g);
        paintMark(p, PartEndMark, g);
    }

    if (hasFocus()) {
        p.setOpacity(1);
        p.setRenderHint(QPainter::Antialiasing, false);
        QPen focus(pal.color(QPalette::ButtonText), 1, Qt::DotLine);
        p.setPen(focus);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void Vasklin::paintButton(QPainter& p, int part, const Geometry& g) {
    const QPalette& pal = palette();
    const QRect box = g.partRect(part);
    const bool pressed = m_pressedPart == part && m_pressedShown;
    const bool hot = !pressed && m_hotButton == part && isEnabled();

    QColor face = pal.color(QPalette::Button);
    if (pressed) {
        face = face.darker(125);
    } else if (hot) {
        face = pal.color(QPalette::Highlight).lighter(170);
    }
    QLinearGradient shade(box.topLeft(), box.bottomLeft());
    shade.setColorAt(0, pressed ? face : face.lighter(112));
    shade.setColorAt(1, pressed ? face.lighter(108) : face.darker(108));
    p.setPen(QPen(pal.color(QPalette::Dark), 1));
    p.setBrush(shade);
    p.drawPath(g.shape(part).translated(0.5, 0.5));

    const QRect glyphBox = pressed ? box.translated(1, 1) : box;
    p.setPen(Qt::NoPen);
    p.setBrush(hot ? pal.color(QPalette::HighlightedText).darker(300)
                   : pal.color(QPalette::ButtonText));
    p.drawPath(arrow(glyphBox, part == PartForward));
}

void Vasklin::paintMark(QPainter& p, int part, const Geometry& g) {
    const QPalette& pal = palette();
    // Green for the first kept position, red for the last; the blink phase
    // swaps in a paler picture to draw the eye to marks not yet moved.
    QColor flag = part == PartStartMark ? QColor(0x2e, 0x8b, 0x3c) : QColor(0xc0, 0x30, 0x30);
    if (m_blinkPhase) {
        flag = flag.lighter(160);
    }
    p.setPen(QPen(pal.color(QPalette::Shadow), 1));
    p.setBrush(flag);
    p.drawPath(g.shape(part));
}

}  // namespace brindle::vasklin
