#include "controls/trimslider/vasklin_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace brindle::vasklin {

Geometry::Geometry(const QRect& client, const SliderState& state) : m_state(state) {
    // A control too narrow for its buttons keeps a track of width 0 rather
    // than a negative one.
    const int width = std::max(0, client.width() - 2 * kTrackInset);
    m_track = QRect(client.left() + kTrackInset, client.top() + kTrackTop, width, kTrackHeight);
}

std::int64_t Geometry::rangeWidth() const {
    return std::llabs(std::int64_t(m_state.rangeEnd) - m_state.rangeStart);
}

int Geometry::px(std::int64_t units) const {
    const std::int64_t range = rangeWidth();
    if (range == 0) {
        return 0;
    }
    return static_cast<int>(double(m_track.width()) / double(range) * double(units));
}

std::int64_t Geometry::unitsFor(int dxPixels) const {
    if (m_track.width() <= 0) {
        return 0;
    }
    return std::int64_t(std::abs(dxPixels)) * rangeWidth() / m_track.width();
}

QRect Geometry::editRange() const {
    QRect e = m_track;
    e.setLeft(m_track.left() + px(std::int64_t(m_state.editStart) - m_state.rangeStart));
    e.setRight(m_track.right() - px(std::int64_t(m_state.rangeEnd) - m_state.editEnd));
    return e;
}

QRect Geometry::pointerRect() const {
    return QRect(QPoint(pointerX() - 5, 8), kPointerSize);
}

QRect Geometry::startMarkRect() const {
    const int x = m_track.left() + px(std::int64_t(m_state.editStart) - m_state.rangeStart);
    return QRect(QPoint(x - 19, 2), kMarkSize);
}

QRect Geometry::endMarkRect() const {
    const int x = m_track.left() + px(std::int64_t(m_state.editEnd) - m_state.rangeStart);
    return QRect(QPoint(x - 4, 2), kMarkSize);
}

QRect Geometry::forwardRect() const {
    return QRect(QPoint(m_track.left() + m_track.width() + 8, 5), kButtonSize);
}

QRect Geometry::backRect() const {
    return QRect(QPoint(m_track.left() - kButtonSize.width() - 5, 5), kButtonSize);
}

QRect Geometry::partRect(int part) const {
    switch (part) {
        case 1:
            return startMarkRect();
        case 2:
            return endMarkRect();
        case 3:
            return pointerRect();
        case 6:
            return forwardRect();
        case 7:
            return backRect();
        default:
            return {};
    }
}

QPainterPath Geometry::shape(int part) const {
    QPainterPath outline;
    switch (part) {
        case 1:
            outline = startMarkOutline();
            break;
        case 2:
            outline = endMarkOutline();
            break;
        case 3:
            outline = pointerOutline();
            break;
        case 6:
        case 7:
            outline = buttonOutline();
            break;
        default:
            return {};
    }
    return outline.translated(partRect(part).topLeft());
}

int Geometry::hitTest(const QPoint& point) const {
    const QPointF p = QPointF(point) + QPointF(0.5, 0.5);  // the pixel's centre
    if (m_state.showTrim) {
        if (shape(2).contains(p)) {
            return 2;
        }
        if (shape(1).contains(p)) {
            return 1;
        }
    }
    for (int part : {3, 6, 7}) {
        if (shape(part).contains(p)) {
            return part;
        }
    }
    if (m_track.contains(point)) {
        return point.x() <= pointerX() ? 5 : 4;
    }
    return 0;
}

// The pictures' outlines. Each fills its picture's box where the picture is
// opaque; what lies outside is transparent and falls through to the track.

QPainterPath pointerOutline() {
    // A pointer whose tip at (5, 16) marks the position.
    QPainterPath p;
    p.moveTo(0, 0);
    p.lineTo(11, 0);
    p.lineTo(11, 10);
    p.lineTo(5.5, 17);
    p.lineTo(0, 10);
    p.closeSubpath();
    return p;
}

QPainterPath startMarkOutline() {
    // A flag left of the mark's line at x = 19, its stem reaching down past
    // the track.
    QPainterPath p;
    p.moveTo(4, 0);
    p.lineTo(22, 0);
    p.lineTo(22, 33);
    p.lineTo(17, 33);
    p.lineTo(17, 11);
    p.lineTo(4, 11);
    p.lineTo(0, 5.5);
    p.closeSubpath();
    return p;
}

QPainterPath endMarkOutline() {
    // The start mark's mirror: the line at x = 4, the flag to the right.
    QPainterPath p;
    p.moveTo(2, 0);
    p.lineTo(20, 0);
    p.lineTo(24, 5.5);
    p.lineTo(20, 11);
    p.lineTo(7, 11);
    p.lineTo(7, 33);
    p.lineTo(2, 33);
    p.closeSubpath();
    return p;
}

QPainterPath buttonOutline() {
    QPainterPath p;
    p.addRoundedRect(QRectF(0, 0, kButtonSize.width(), kButtonSize.height()), 4, 4);
    return p;
}

}  // namespace brindle::vasklin
