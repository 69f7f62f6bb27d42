#include "components/imaging/image_view.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "components/imaging/image_ops.h"

namespace brindle {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    connect(&m_control, &ImageControl::imageChanged, this, [this] {
        if (m_autoRepaint) {
            update();
        }
    });
}

void ImageView::setFitToWindow(bool fit) {
    m_fit = fit;
    update();
}

void ImageView::setBackColor(quint32 color) {
    m_backColor = color & 0x00FFFFFF;
    update();
}

void ImageView::setSelectionPresent(bool present) {
    m_selectionPresent = present;
    if (!present) {
        m_selection = QRect();
        m_dragging = false;
    }
    update();
}

QRect ImageView::displayRect() const {
    const int iw = m_control.width(), ih = m_control.height();
    if (iw <= 0 || ih <= 0) {
        return QRect();
    }
    if (!m_fit) {
        return QRect(0, 0, iw, ih);
    }
    const double scale = std::min(double(width()) / iw, double(height()) / ih);
    const int dw = std::max(1, int(std::lround(iw * scale)));
    const int dh = std::max(1, int(std::lround(ih * scale)));
    return QRect((width() - dw) / 2, (height() - dh) / 2, dw, dh);
}

QPoint ImageView::toDisplay(const QPoint& widgetPoint) const {
    const QRect shown = displayRect();
    const QPoint p = widgetPoint - shown.topLeft();
    return QPoint(std::clamp(p.x(), 0, shown.width()), std::clamp(p.y(), 0, shown.height()));
}

void ImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(imageops::fromBgr(m_backColor)));
    const QRect shown = displayRect();
    if (shown.isEmpty()) {
        return;
    }
    const QImage image = m_control.image();
    // Scaling a large scan at every paint would make dragging sluggish.
    const qint64 key = image.cacheKey() ^ (qint64(shown.width()) << 32) ^ shown.height();
    if (m_scaled.isNull() || key != m_scaledKey) {
        m_scaled = QPixmap::fromImage(
            image.size() == shown.size()
                ? image
                : image.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        m_scaledKey = key;
    }
    painter.drawPixmap(shown.topLeft(), m_scaled);
    if (m_dragging || m_selectionPresent) {
        QPen pen(Qt::white, 1, Qt::DashLine);
        painter.setPen(pen);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.drawRect(m_selection.translated(shown.topLeft()).adjusted(0, 0, -1, -1));
    }
}

void ImageView::mousePressEvent(QMouseEvent* event) {
    if (!m_rubberBandEnabled || event->button() != Qt::LeftButton ||
        !displayRect().contains(event->position().toPoint())) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_selectionPresent = false;
    m_anchor = toDisplay(event->position().toPoint());
    m_selection = QRect(m_anchor, QSize(0, 0));
    update();
}

void ImageView::dragTo(const QPoint& widgetPoint) {
    const QPoint end = toDisplay(widgetPoint);
    m_selection = QRect(QPoint(std::min(m_anchor.x(), end.x()), std::min(m_anchor.y(), end.y())),
                        QSize(std::abs(end.x() - m_anchor.x()), std::abs(end.y() - m_anchor.y())));
    update();
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    dragTo(event->position().toPoint());
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    dragTo(event->position().toPoint());
    m_dragging = false;
    m_selectionPresent = m_selection.width() > 0 && m_selection.height() > 0;
    update();
    emit rubberBandFinished(m_selection);
}

}  // namespace brindle
